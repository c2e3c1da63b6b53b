#pragma once
// The character-cell screen of the terminal page: a VT100/ANSI emulation
// (libvterm) of a fixed size, without any widget. Every byte fed is one
// character, received or echoed: 0x20..0xFF are shown in the Windows code
// page the meters' texts use, control codes and escape sequences act on the
// screen and are not shown. Lines scrolled off the top are kept for a while
// so that the view can scroll back to them.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace pxr {

class TerminalScreen {
public:
    struct Cell {
        char32_t ch = 0; // 0: never written (shown as a blank)
        bool bold = false;
        bool underline = false;
        bool italic = false;
        bool reverse = false;
        bool defaultFg = true;
        bool defaultBg = true;
        uint32_t fg = 0;        // 0xRRGGBB where not the default colour
        uint32_t bg = 0xffffff; // 0xRRGGBB where not the default colour
    };

    static constexpr size_t kScrollbackLines = 1000;

    TerminalScreen(int rows, int cols);
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }

    // Shows the bytes, one character each; then ComTerminalChar gets them.
    void feed(const std::string& bytes);
    // Blank screen (and no scrollback), cursor at column 1, row 1, plain
    // attributes. A half-received escape sequence is dropped.
    void clear();

    // row 0 .. rows()-1 of the screen.
    Cell cell(int row, int col) const;
    // The row as UTF-8 text, blanks for unwritten cells, trailing blanks cut.
    std::string rowText(int row) const;
    int cursorRow() const;
    int cursorCol() const;
    bool cursorVisible() const { return m_cursorVisible; }

    // Oldest first; each line has cols() cells.
    const std::deque<std::vector<Cell>>& scrollback() const { return m_scrollback; }

    // Every character shown, received or echoed, in order (one call per feed).
    std::function<void(const std::string& chars)> ComTerminalChar;
    // Answers of the terminal itself (cursor-position report ...), for the port.
    std::function<void(const std::string& bytes)> OnOutput;
    // Something on the screen or the cursor changed.
    std::function<void()> OnChanged;

    // Windows-1252: the character a byte shows, and back (0 where a character
    // has no byte).
    static char32_t charOfByte(unsigned char byte);
    static int byteOfChar(char32_t ch);

private:
    void changed();
    Cell toCell(const void* vtermCell) const;
    void pushLine(int cols, const void* vtermCells);

    friend struct TerminalScreenCallbacks;

    int m_rows;
    int m_cols;
    VTerm* m_vt = nullptr;
    VTermScreen* m_screen = nullptr;
    bool m_cursorVisible = true;
    std::deque<std::vector<Cell>> m_scrollback;
    std::string m_utf8; // reused buffer of feed()
};

} // namespace pxr
