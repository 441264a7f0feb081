#pragma once

class SystemSettingsRouting {
public:
    virtual ~SystemSettingsRouting() = default;

    // Takes the user to the settings of the on-device model. Reports nothing:
    // at worst a general settings program opens, or nothing does.
    virtual void openAppleIntelligenceSettings() = 0;
};
