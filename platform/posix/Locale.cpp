// Language names for the POSIX backend. There is no system locale database to ask by
// Windows language identifier, so the common identifiers are listed here with the names
// Windows gives them (LOCALE_SLANGUAGE in English); the rest get no name, and callers fall
// back to their own tables as they do on a Windows without the locale.
#include <cstring>

#include "Platform.h"

namespace plat {

namespace {

struct LanguageEntry {
  std::uint16_t id;
  const char* name;
};

const LanguageEntry kLanguages[] = {
    // Neutral forms (sublanguage 0) of the most common languages.
    {0x0007, "German"},
    {0x0009, "English"},
    {0x000A, "Spanish"},
    {0x000C, "French"},
    {0x0010, "Italian"},
    {0x0019, "Russian"},
    {0x0401, "Arabic (Saudi Arabia)"},
    {0x0402, "Bulgarian (Bulgaria)"},
    {0x0403, "Catalan (Catalan)"},
    {0x0404, "Chinese (Traditional, Taiwan)"},
    {0x0405, "Czech (Czech Republic)"},
    {0x0406, "Danish (Denmark)"},
    {0x0407, "German (Germany)"},
    {0x0408, "Greek (Greece)"},
    {0x0409, "English (United States)"},
    {0x040A, "Spanish (Spain, Traditional Sort)"},
    {0x040B, "Finnish (Finland)"},
    {0x040C, "French (France)"},
    {0x040D, "Hebrew (Israel)"},
    {0x040E, "Hungarian (Hungary)"},
    {0x040F, "Icelandic (Iceland)"},
    {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese (Japan)"},
    {0x0412, "Korean (Korea)"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian, Bokm\xC3\xA5l (Norway)"},
    {0x0415, "Polish (Poland)"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0418, "Romanian (Romania)"},
    {0x0419, "Russian (Russia)"},
    {0x041A, "Croatian (Croatia)"},
    {0x041B, "Slovak (Slovakia)"},
    {0x041C, "Albanian (Albania)"},
    {0x041D, "Swedish (Sweden)"},
    {0x041F, "Turkish (Turkey)"},
    {0x0421, "Indonesian (Indonesia)"},
    {0x0422, "Ukrainian (Ukraine)"},
    {0x0423, "Belarusian (Belarus)"},
    {0x0424, "Slovenian (Slovenia)"},
    {0x0425, "Estonian (Estonia)"},
    {0x0426, "Latvian (Latvia)"},
    {0x0427, "Lithuanian (Lithuania)"},
    {0x0429, "Persian (Iran)"},
    {0x042A, "Vietnamese (Vietnam)"},
    {0x042D, "Basque (Basque)"},
    {0x0456, "Galician (Galician)"},
    {0x0801, "Arabic (Iraq)"},
    {0x0804, "Chinese (Simplified, PRC)"},
    {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"},
    {0x080A, "Spanish (Mexico)"},
    {0x080C, "French (Belgium)"},
    {0x0810, "Italian (Switzerland)"},
    {0x0813, "Dutch (Belgium)"},
    {0x0814, "Norwegian, Nynorsk (Norway)"},
    {0x0816, "Portuguese (Portugal)"},
    {0x081A, "Serbian (Latin, Serbia)"},
    {0x0C01, "Arabic (Egypt)"},
    {0x0C04, "Chinese (Traditional, Hong Kong S.A.R.)"},
    {0x0C07, "German (Austria)"},
    {0x0C09, "English (Australia)"},
    {0x0C0A, "Spanish (Spain, International Sort)"},
    {0x0C0C, "French (Canada)"},
    {0x0C1A, "Serbian (Cyrillic, Serbia)"},
    {0x1004, "Chinese (Simplified, Singapore)"},
    {0x1009, "English (Canada)"},
    {0x100C, "French (Switzerland)"},
    {0x1409, "English (New Zealand)"},
    {0x1809, "English (Ireland)"},
};

}  // namespace

int GetLocaleLanguageName(std::uint32_t lcid, char* buffer, int size) {
  if ((lcid >> 16) != 0 || size < 0) return 0;  // no sort orders of our own
  for (const LanguageEntry& entry : kLanguages) {
    if (entry.id != lcid) continue;
    int needed = static_cast<int>(std::strlen(entry.name)) + 1;
    if (size == 0) return needed;
    if (buffer == nullptr || size < needed) return 0;
    std::memcpy(buffer, entry.name, static_cast<std::size_t>(needed));
    return needed;
  }
  return 0;
}

}  // namespace plat
