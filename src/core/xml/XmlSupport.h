#pragma once

// Helpers shared by the reader and the writer; not part of the library's interface.

#include <cstddef>
#include <string>

#include "core/xml/XmlBase.h"

namespace XmlServiceProvider::Detail {

// Initialises libxml2 once per process and installs an external-entity loader that refuses
// every request, so no document can make the parser open a file or a URL.
void InitialiseParserOnce();

// UTF-8 from libxml2 into the wide string; the temporary buffer is wiped.
void AssignUtf8(String& out, const char* text, std::size_t length);
// For names (markup, not secrets): reuses the string's buffer and wipes nothing.
void AssignUtf8Name(std::u16string& out, const char* text, std::size_t length);

// Removes leading and trailing white space as the C library's iswspace sees it.
void Trim(String& text);
bool IsWideSpace(char16_t ch) noexcept;

// A UTF-16 argument converted to UTF-8 for libxml2; null stays null. Wiped when destroyed.
class Utf8Arg {
public:
    explicit Utf8Arg(const char16_t* text);
    Utf8Arg(const char16_t* text, std::size_t length);
    Utf8Arg(const Utf8Arg&) = delete;
    Utf8Arg& operator=(const Utf8Arg&) = delete;
    ~Utf8Arg();

    // Null when the argument was null.
    const unsigned char* Get() const noexcept;
    // Never null.
    const unsigned char* OrEmpty() const noexcept;
    const std::string& Text() const noexcept { return m_text; }
    bool IsNull() const noexcept { return m_null; }

private:
    std::string m_text;
    bool m_null;
};

} // namespace XmlServiceProvider::Detail
