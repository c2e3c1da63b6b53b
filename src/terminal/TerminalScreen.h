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
    // feedUnseen takes in what waits beyond this (long lines, no CRs).
    static constexpr size_t kMaxWaitingBytes = 1 << 20;

    TerminalScreen(int rows, int cols);
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }

    // Shows the bytes, one character each; then ComTerminalChar gets them.
    void feed(const std::string& bytes);
    // The same for a screen nobody looks at now (its view is hidden):
    // ComTerminalChar gets the bytes at once, the screen may take them in
    // only when it is next read. A plain stream (printable characters, CR,
    // LF) waits, and of a long one only what the screen and the scroll-back
    // will still hold is kept; moving the whole screen up for every line of
    // a stream nobody sees was the terminal's whole cost. Anything else
    // (escape sequences and other controls, which may change how later
    // characters show or be answered) is taken in at once, after what waits.
    void feedUnseen(const std::string& bytes);
    // Blank screen (and no scrollback), cursor at column 1, row 1, plain
    // attributes. A half-received escape sequence is dropped.
    void clear();

    // Takes in what feedUnseen left waiting (OnChanged follows). Const, as
    // every reader below calls it first: the screen's content is what was
    // fed, waiting bytes are only not worked in yet.
    void settle() const
    {
        if (!m_waiting.empty())
            const_cast<TerminalScreen*>(this)->writeWaiting();
    }

    // row 0 .. rows()-1 of the screen.
    Cell cell(int row, int col) const;
    // The row as UTF-8 text, blanks for unwritten cells, trailing blanks cut.
    std::string rowText(int row) const;
    int cursorRow() const;
    int cursorCol() const;
    bool cursorVisible() const
    {
        settle();
        return m_cursorVisible;
    }

    // Oldest first; each line has cols() cells.
    const std::deque<std::vector<Cell>>& scrollback() const
    {
        settle();
        return m_scrollback;
    }

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
    // The bytes to libvterm (no ComTerminalChar).
    void write(const std::string& bytes);
    void writeWaiting();
    // Drops the front of the waiting bytes that the rest pushes out of the
    // screen and the scroll-back.
    void dropUnkept();
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
    std::string m_utf8; // reused buffer of write()
    std::string m_waiting;
    size_t m_waitingLineFeeds = 0;
    // No byte since the last reset could have changed the terminal's modes,
    // margins, attributes or character sets: every line feed at the bottom
    // row moves the top row into the scroll-back.
    bool m_plainSinceReset = true;
};

} // namespace pxr
