#include "terminal/TerminalScreen.h"

#include <vterm.h>

#include <algorithm>

#include "base/TextUtils.h"

namespace pxr {

namespace {

uint32_t rgbOf(const VTermScreen* screen, VTermColor c)
{
    vterm_screen_convert_color_to_rgb(screen, &c);
    return (uint32_t(c.rgb.red) << 16) | (uint32_t(c.rgb.green) << 8) | c.rgb.blue;
}

} // namespace

struct TerminalScreenCallbacks {
    static TerminalScreen* self(void* user) { return static_cast<TerminalScreen*>(user); }
    static int damage(VTermRect, void* user)
    {
        self(user)->changed();
        return 1;
    }
    static int moverect(VTermRect, VTermRect, void* user)
    {
        self(user)->changed();
        return 1;
    }
    static int movecursor(VTermPos, VTermPos, int, void* user)
    {
        self(user)->changed();
        return 1;
    }
    static int settermprop(VTermProp prop, VTermValue* value, void* user)
    {
        if (prop == VTERM_PROP_CURSORVISIBLE)
            self(user)->m_cursorVisible = value->boolean != 0;
        self(user)->changed();
        return 1;
    }
    static int pushline(int cols, const VTermScreenCell* cells, void* user)
    {
        self(user)->pushLine(cols, cells);
        return 1;
    }
    static void output(const char* bytes, size_t len, void* user)
    {
        if (self(user)->OnOutput)
            self(user)->OnOutput(std::string(bytes, len));
    }
};

namespace {

const VTermScreenCallbacks kCallbacks = {
    TerminalScreenCallbacks::damage,      TerminalScreenCallbacks::moverect,
    TerminalScreenCallbacks::movecursor,  TerminalScreenCallbacks::settermprop,
    nullptr /* bell */,                   nullptr /* resize: the size is fixed */,
    TerminalScreenCallbacks::pushline,    nullptr /* popline */};

} // namespace

char32_t TerminalScreen::charOfByte(unsigned char byte) { return windows1252Char(byte); }

int TerminalScreen::byteOfChar(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    if (ch == 0xFFFD)
        return 0;
    for (int byte = 0x80; byte < 0xA0; ++byte)
        if (windows1252Char(static_cast<unsigned char>(byte)) == ch)
            return byte;
    return 0;
}

TerminalScreen::TerminalScreen(int rows, int cols) : m_rows(rows), m_cols(cols)
{
    m_vt = vterm_new(rows, cols);
    // The bytes are turned into characters here (feed), so libvterm gets
    // UTF-8: in its 8-bit mode it would take 0x80..0x9F for C1 controls and
    // strip the high bit of 0xA0..0xFF, where the meters' texts have letters.
    vterm_set_utf8(m_vt, 1);
    vterm_output_set_callback(m_vt, &TerminalScreenCallbacks::output, this);
    m_screen = vterm_obtain_screen(m_vt);
    vterm_screen_set_callbacks(m_screen, &kCallbacks, this);
    vterm_screen_set_damage_merge(m_screen, VTERM_DAMAGE_SCROLL);
    VTermColor fg;
    VTermColor bg;
    vterm_color_rgb(&fg, 0, 0, 0);
    vterm_color_rgb(&bg, 255, 255, 255);
    vterm_state_set_default_colors(vterm_obtain_state(m_vt), &fg, &bg);
    // Without a reset the screen has no buffers yet.
    vterm_screen_reset(m_screen, 1);
}

TerminalScreen::~TerminalScreen() { vterm_free(m_vt); }

namespace {

// A character, CR or LF: what a plain stream of readings holds.
bool plainByte(unsigned char b) { return b == '\r' || b == '\n' || (b >= 0x20 && b != 0x7f); }

// Bytes that may change how later bytes act or show (ESC starts every
// sequence; SO and SI switch character sets).
bool setsState(unsigned char b) { return b == 0x1b || b == 0x0e || b == 0x0f; }

} // namespace

void TerminalScreen::feed(const std::string& bytes)
{
    if (bytes.empty())
        return;
    settle();
    write(bytes);
    if (ComTerminalChar)
        ComTerminalChar(bytes);
}

void TerminalScreen::feedUnseen(const std::string& bytes)
{
    if (bytes.empty())
        return;
    const bool plain =
        std::all_of(bytes.begin(), bytes.end(), [](char b) { return plainByte(static_cast<unsigned char>(b)); });
    if (!plain || !m_plainSinceReset) {
        feed(bytes);
        return;
    }
    m_waiting += bytes;
    m_waitingLineFeeds += static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    dropUnkept();
    if (ComTerminalChar)
        ComTerminalChar(bytes);
}

void TerminalScreen::dropUnkept()
{
    // Whatever the screen held before, once the cursor's column is the same
    // (after a CR) the same bytes put the same characters in the same cells;
    // after rows() - 1 line feeds the cursor is on the bottom row either
    // way, after rows() more the rows written before are all in the
    // scroll-back, and after kScrollbackLines more they are gone. So bytes
    // before a CR that such a run of line feeds follows change nothing that
    // is kept.
    const size_t keep = 2 * static_cast<size_t>(m_rows) + kScrollbackLines;
    // Looked for only now and then, and the run kept twice as long, so that
    // a stream's every block is not searched.
    if (m_waitingLineFeeds < 2 * keep) {
        if (m_waiting.size() > kMaxWaitingBytes)
            writeWaiting();
        return;
    }
    size_t lineFeeds = 0;
    size_t pos = m_waiting.size();
    while (pos > 0 && lineFeeds < keep)
        if (m_waiting[--pos] == '\n')
            ++lineFeeds;
    const size_t cr = pos == 0 ? std::string::npos : m_waiting.rfind('\r', pos - 1);
    if (cr == std::string::npos || cr == 0) {
        // Line feeds without CRs (each line starts where the last ended):
        // nothing can be dropped.
        writeWaiting();
        return;
    }
    m_waitingLineFeeds -= static_cast<size_t>(std::count(m_waiting.begin(), m_waiting.begin() + long(cr), '\n'));
    m_waiting.erase(0, cr);
}

void TerminalScreen::writeWaiting()
{
    std::string bytes;
    bytes.swap(m_waiting);
    m_waitingLineFeeds = 0;
    write(bytes);
}

void TerminalScreen::write(const std::string& bytes)
{
    if (m_plainSinceReset)
        m_plainSinceReset =
            std::none_of(bytes.begin(), bytes.end(), [](char b) { return setsState(static_cast<unsigned char>(b)); });
    m_utf8.clear();
    for (char b : bytes)
        appendUtf8(m_utf8, charOfByte(static_cast<unsigned char>(b)));
    vterm_input_write(m_vt, m_utf8.data(), m_utf8.size());
    vterm_screen_flush_damage(m_screen);
}

void TerminalScreen::clear()
{
    // What waits is wiped by the reset as it would have been on the screen.
    m_waiting.clear();
    m_waitingLineFeeds = 0;
    // CAN ends an escape sequence the meter left unfinished.
    vterm_input_write(m_vt, "\x18", 1);
    vterm_screen_reset(m_screen, 1);
    m_scrollback.clear();
    m_cursorVisible = true;
    m_plainSinceReset = true;
    changed();
}

void TerminalScreen::changed()
{
    if (OnChanged)
        OnChanged();
}

TerminalScreen::Cell TerminalScreen::toCell(const void* p) const
{
    const auto& c = *static_cast<const VTermScreenCell*>(p);
    Cell out;
    out.ch = c.chars[0];
    out.bold = c.attrs.bold;
    out.underline = c.attrs.underline != 0;
    out.italic = c.attrs.italic;
    out.reverse = c.attrs.reverse;
    out.defaultFg = VTERM_COLOR_IS_DEFAULT_FG(&c.fg);
    out.defaultBg = VTERM_COLOR_IS_DEFAULT_BG(&c.bg);
    if (!out.defaultFg)
        out.fg = rgbOf(m_screen, c.fg);
    if (!out.defaultBg)
        out.bg = rgbOf(m_screen, c.bg);
    return out;
}

void TerminalScreen::pushLine(int cols, const void* cells)
{
    const auto* c = static_cast<const VTermScreenCell*>(cells);
    // A full scroll-back gives its oldest line's storage to the new one: at
    // a fast stream every line comes through here.
    std::vector<Cell> line;
    if (m_scrollback.size() >= kScrollbackLines) {
        line = std::move(m_scrollback.front());
        m_scrollback.pop_front();
    }
    line.assign(static_cast<size_t>(m_cols), Cell());
    for (int i = 0; i < std::min(cols, m_cols); ++i)
        line[static_cast<size_t>(i)] = toCell(&c[i]);
    m_scrollback.push_back(std::move(line));
}

TerminalScreen::Cell TerminalScreen::cell(int row, int col) const
{
    settle();
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return Cell();
    VTermScreenCell c;
    vterm_screen_get_cell(m_screen, VTermPos{row, col}, &c);
    return toCell(&c);
}

std::string TerminalScreen::rowText(int row) const
{
    std::string out;
    size_t used = 0;
    for (int col = 0; col < m_cols; ++col) {
        const char32_t ch = cell(row, col).ch;
        appendUtf8(out, ch ? ch : U' ');
        if (ch && ch != U' ')
            used = out.size();
    }
    out.resize(used);
    return out;
}

int TerminalScreen::cursorRow() const
{
    settle();
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(m_vt), &pos);
    return pos.row;
}

int TerminalScreen::cursorCol() const
{
    settle();
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(m_vt), &pos);
    return pos.col;
}

} // namespace pxr
