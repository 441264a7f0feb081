#pragma once

#include "Platform/AppSupportRouting.h"

class LiveAppSupportRouter final : public AppSupportRouting {};
