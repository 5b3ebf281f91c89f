#pragma once

#include <filesystem>

#include "options/Settings.h"

namespace OptionsLibrary::SettingsStorage {

// "twsettings.xml" in the local application folder.
std::filesystem::path GetSettingsPath();

// Reads the file into the record; what the file does not mention keeps its current value.
// Malformed XML throws Exception ("ReadResult::RR_ERROR" / "SettingsStorage::Load", or
// "RR_ERROR" with the section being read); a file that cannot be opened throws the reader's
// WindowsException. The record is not rolled back on failure.
void Load(const std::filesystem::path& path, ApplicationSettings::Settings& settings);
// Writes the whole record. The file is replaced only once it is complete and on disk, so a
// failed save leaves the previous file intact. Throws the writer's WindowsException.
void Save(const std::filesystem::path& path, const ApplicationSettings::Settings& settings);

// The same for the settings file in the local application folder.
void Load(ApplicationSettings::Settings& settings);
void Save(const ApplicationSettings::Settings& settings);

// Start-up: loads the file when it exists; otherwise saves the record as it is (the
// defaults) and returns true for a first start.
bool LoadOrCreate(const std::filesystem::path& path, ApplicationSettings::Settings& settings);
bool LoadOrCreate(ApplicationSettings::Settings& settings);

} // namespace OptionsLibrary::SettingsStorage
