// The settings file "twsettings.xml", read into a record of defaults. Whatever it reads must
// save again and read back: a value that could not be written would stop every later save.
#include <cstdio>

#include "FuzzSupport.h"
#include "base/exceptions/Exception.h"
#include "base/text/Utf.h"
#include "options/Settings.h"
#include "options/SettingsStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& path = TwFuzz::WriteInput(data, size, "twsettings.xml");
    ApplicationSettings::Settings settings;
    try {
        OptionsLibrary::SettingsStorage::Load(path, settings);
    } catch (const Utilities::Exceptions::Exception&) {
        return 0;
    }
    const auto written = TwFuzz::PrivateDir() / "written.xml";
    try {
        OptionsLibrary::SettingsStorage::Save(written, settings);
        ApplicationSettings::Settings again;
        OptionsLibrary::SettingsStorage::Load(written, again);
    } catch (const Utilities::Exceptions::Exception& e) {
        std::fprintf(stderr, "%s\n", Tarnwick::Text::ToUtf8(e.ToString().View()).c_str());
        TwFuzz::Broken("settings read from a file cannot be saved and read again");
    }
    return 0;
}
