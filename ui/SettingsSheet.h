#pragma once
// The two places that build and run the settings sheet "設定".

#include "afx/Afx.h"

// From the main dialog's settings button: network, send method, formats
// (only when "ShowFormatDialog" in Settings is non-zero) and display. The
// pages apply their own values, so the sheet's result is not needed.
void RunSettingsSheetFromMainDialog();

// At start-up, for a first run or damaged settings: network, send method
// and display. On OK re-reads "Port" and "Server" into the application and
// stores "SettingInitialized" = 1; returns TRUE. Any other end: FALSE, and
// start-up must end the program.
BOOL RunStartupSettingsSheet();
