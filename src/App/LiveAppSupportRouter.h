#pragma once

#include "App/AppSupportRouting.h"

class LiveAppSupportRouter final : public AppSupportRouting {};
