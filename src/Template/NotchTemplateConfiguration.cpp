#include "Template/NotchTemplateConfiguration.h"

const NotchTemplateConfiguration& NotchTemplateConfiguration::defaults()
{
    static const NotchTemplateConfiguration configuration;
    return configuration;
}
