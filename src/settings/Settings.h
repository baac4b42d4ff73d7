#pragma once
// Loading and saving the settings record through the settings store, and the
// check of the chosen receiver model against the model list.

#include <cstddef>

#include "settings/AppSettings.h"

namespace korvance {

class SettingsStore;

// Room of the read buffer of a text value: 2048 UTF-16 characters with the
// terminator. A longer stored text keeps the field's default.
inline constexpr size_t kSettingsTextBufferBytes = 4096;

// Every field from the store under kSettingsKey; a value that is missing, of
// another type or too long keeps the default. DebugControl is always 0
// afterwards. A store that cannot be opened leaves every default in place.
AppSettings loadAppSettings(SettingsStore& store);

// Writes every stored field back. False when the key could not be opened or
// a value could not be written (the caller may tell the user; nothing else
// depends on it).
bool saveAppSettings(SettingsStore& store, const AppSettings& settings);

// A GPSModelID that is not in the model list becomes -1 / "Other Garmin";
// GPSCharSet stays as it is.
void validateModel(AppSettings& settings);

}  // namespace korvance
