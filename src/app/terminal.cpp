#include "app/terminal.h"

#include <cstdint>

#include "model/code_pages.h"

#if defined(_WIN32)
#include <windows.h>

#include "io/names.h"

#include <iostream>
#include <streambuf>
#else
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <iostream>
#endif

namespace vantedit {

namespace {

int utf8Slot() {
    static const int slot = std::ios_base::xalloc();
    return slot;
}

void appendHexByte(std::string& out, std::uint8_t c) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

// A control byte escaped; false for any other byte.
bool appendControl(std::string& out, std::uint8_t c) {
    if (c >= 32) return false;
    if (c == '\n') {
        out += "\\n";
    } else if (c == '\t') {
        out += "\\t";
    } else if (c == '\r') {
        out += "\\r";
    } else {
        appendHexByte(out, c);
    }
    return true;
}

// A character that stands for a byte the code page leaves undefined, or a control character of
// the second half of Latin-1: no letter to show.
bool noLetter(char32_t c) { return c >= 0x80 && c <= 0x9F; }

void appendUtf8Text(std::string& out, std::string_view text) {
    Utf8Decoder decoder;
    std::size_t begun = 0;  // where the character being decoded began
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        if (!decoder.midCharacter()) begun = i;
        switch (decoder.feed(c)) {
            case Utf8Decoder::Step::Partial: break;
            case Utf8Decoder::Step::Character:
                if (appendControl(out, c)) break;
                if (noLetter(decoder.character())) {
                    appendHexByte(out, static_cast<std::uint8_t>(decoder.character()));
                } else {
                    out.append(text, begun, i + 1 - begun);
                }
                break;
            case Utf8Decoder::Step::Invalid:
                // The bytes of the broken form are shown one by one; this one may begin the next.
                for (std::size_t k = begun; k < i; ++k) appendHexByte(out, static_cast<std::uint8_t>(text[k]));
                decoder = Utf8Decoder();
                begun = i;
                if (decoder.feed(c) == Utf8Decoder::Step::Invalid) {
                    appendHexByte(out, c);
                } else if (!decoder.midCharacter() && !appendControl(out, c)) {
                    out += static_cast<char>(c);
                }
                break;
        }
    }
    if (decoder.midCharacter()) {
        for (std::size_t k = begun; k < text.size(); ++k) appendHexByte(out, static_cast<std::uint8_t>(text[k]));
    }
}

void appendCodePageText(std::string& out, std::string_view text, CodePage page) {
    for (char ch : text) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (appendControl(out, c)) continue;
        const char32_t letter = codePageCharacter(page, c);
        if (letter == 0) {
            appendHexByte(out, c);
        } else {
            appendUtf8(out, letter);
        }
    }
}

#if defined(_WIN32)

// A console written through its wide-character output. The run's texts and names come in UTF-8;
// a byte that begins no valid form goes in the console's own code page.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const char c = traits_type::to_char_type(ch);
        write(std::string_view(&c, 1));
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        write(std::string_view(s, static_cast<std::size_t>(n)));
        return n;
    }
    int sync() override {
        flushPending();
        return 0;
    }

private:
    void write(std::string_view bytes) {
        std::wstring wide;
        for (char ch : bytes) {
            const auto c = static_cast<std::uint8_t>(ch);
            pending_ += ch;
            switch (decoder_.feed(c)) {
                case Utf8Decoder::Step::Partial: continue;
                case Utf8Decoder::Step::Character: appendWide(wide, decoder_.character()); break;
                case Utf8Decoder::Step::Invalid:
                    pending_.pop_back();
                    appendInConsolePage(wide, pending_);
                    decoder_ = Utf8Decoder();
                    if (decoder_.feed(c) == Utf8Decoder::Step::Invalid) {
                        appendInConsolePage(wide, std::string(1, ch));
                    } else if (decoder_.midCharacter()) {
                        pending_.assign(1, ch);
                        continue;
                    } else {
                        wide += static_cast<wchar_t>(c);
                    }
                    break;
            }
            pending_.clear();
        }
        put(wide);
    }
    void flushPending() {
        std::wstring wide;
        appendInConsolePage(wide, pending_);
        pending_.clear();
        decoder_ = Utf8Decoder();
        put(wide);
    }
    static void appendWide(std::wstring& wide, char32_t c) {
        if (c < 0x10000) {
            wide += static_cast<wchar_t>(c);
        } else {
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    static void appendInConsolePage(std::wstring& wide, const std::string& bytes) {
        if (bytes.empty()) return;
        const UINT page = GetConsoleOutputCP();
        const int size = static_cast<int>(bytes.size());
        const int n = MultiByteToWideChar(page, 0, bytes.data(), size, nullptr, 0);
        if (n <= 0) return;
        const std::size_t at = wide.size();
        wide.resize(at + static_cast<std::size_t>(n));
        MultiByteToWideChar(page, 0, bytes.data(), size, wide.data() + at, n);
    }
    void put(const std::wstring& wide) {
        for (std::size_t at = 0; at < wide.size();) {
            DWORD written = 0;
            const auto n = static_cast<DWORD>(wide.size() - at);
            if (!WriteConsoleW(console_, wide.data() + at, n, &written, nullptr) || written == 0) return;
            at += written;
        }
    }

    HANDLE console_;
    Utf8Decoder decoder_;
    std::string pending_;  // the bytes of a character begun and not completed
};

void prepareConsole(std::ostream& out, DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode)) return;
    out.flush();
    // Never destroyed: the stream may still be flushed while the program ends.
    out.rdbuf(new ConsoleBuffer(handle));
    setTakesUtf8(out, true);
}

#else

bool localeTakesUtf8() {
    // Asked of the user's locale and put back, so that nothing else runs under it.
    // Kept without asking for memory: this runs before the run's memory reserve exists.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    char previous[256] = "C";
    if (current != nullptr && std::strlen(current) < sizeof previous) std::strcpy(previous, current);
    bool utf8 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        const char* set = nl_langinfo(CODESET);
        utf8 = set != nullptr && (std::strcmp(set, "UTF-8") == 0 || std::strcmp(set, "utf8") == 0);
    }
    std::setlocale(LC_CTYPE, previous);
    return utf8;
}

#endif

}  // namespace

void setTakesUtf8(std::ostream& out, bool utf8) { out.iword(utf8Slot()) = utf8 ? 1 : 0; }

bool takesUtf8(std::ostream& out) { return out.iword(utf8Slot()) != 0; }

void prepareStandardStreams() {
#if defined(_WIN32)
    prepareConsole(std::cout, STD_OUTPUT_HANDLE);
    prepareConsole(std::cerr, STD_ERROR_HANDLE);
#else
    const bool utf8 = localeTakesUtf8();
    setTakesUtf8(std::cout, utf8);
    setTakesUtf8(std::cerr, utf8);
#endif
}

std::string shownName(std::ostream& out, std::string_view name) {
#if defined(_WIN32)
    if (!takesUtf8(out)) {
        const std::wstring wide = io::wideName(name);
        const int size = static_cast<int>(wide.size());
        std::string text(
            static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
            '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
        return text;
    }
#else
    (void)out;
#endif
    return std::string(name);
}

std::string escaped(std::string_view text) {
    std::string shown;
    for (char ch : text) {
        if (!appendControl(shown, static_cast<std::uint8_t>(ch))) shown += ch;
    }
    return shown;
}

std::string shownText(std::ostream& out, std::string_view text, const TextForm& form) {
    if (!takesUtf8(out)) return escaped(text);
    std::string shown;
    if (form.utf8) {
        appendUtf8Text(shown, text);
    } else {
        appendCodePageText(shown, text, form.codePage);
    }
    return shown;
}

}  // namespace vantedit
