#include "parameters/ParameterEditorPanel.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>

#include "devices/ValueCheck.h"
#include "base/TextUtils.h"

namespace pxr {

namespace {

constexpr int kLines = kModelLines;
const char* const kLineSuffix[kLines] = {"", "_1", "_2"};
// Names of the two halves of a step-button pair, as the handlers of each
// page call them (sp_st_TopClick on PXR7X and PXR500C, sp_sa_2UpClick on
// PXR501/502).
const char* const kUpSuffix[kLines] = {"_Top", "_Top", "Up"};
const char* const kDownSuffix[kLines] = {"_Bottom", "_Bottom", "Down"};
constexpr int kStepWidth = 15;

QString bytesToText(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string textToBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString lowerCode(const std::string& code)
{
    return QString::fromStdString(code).toLower();
}

// A value field that says when its value is wider than the field: the
// value shows from its first character and a mark at the right edge tells
// that more follows (a cut "-1250.5" would otherwise read as "-1250"); the
// tool-tip has the whole value.
class ValueField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QLineEdit::paintEvent(e);
        if (hasFocus() || text().isEmpty())
            return;
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
        // QLineEdit keeps a margin of its own on each side of the text.
        constexpr int kInnerMargin = 2;
        if (fontMetrics().horizontalAdvance(text()) <= area.width() - 2 * kInnerMargin)
            return;
        QPainter p(this);
        const QString more = QStringLiteral("\u2026");
        const int w = fontMetrics().horizontalAdvance(more) + 2;
        const QRect mark(area.right() - w + 1, area.top(), w, area.height());
        p.fillRect(mark, palette().brush(isReadOnly() ? QPalette::Window : QPalette::Base));
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(mark, Qt::AlignCenter, more);
    }
};

// Refuses an edit that would put a character into the field that it cannot
// take, and says why. A program's own setText is validated too; only the
// user (who has the focus) is told, and QLineEdit undoes only user edits.
class FieldValidator : public QValidator {
public:
    FieldValidator(const ParameterDef& def, std::size_t index, QLineEdit* edit,
                   const std::function<void(const std::string&)>* refused)
        : QValidator(edit), m_def(def), m_index(index), m_edit(edit), m_refused(refused)
    {
    }

    State validate(QString& input, int&) const override
    {
        const std::string why = typedCharacterRefusal(m_def, m_index, input.toUtf8().toStdString());
        if (why.empty())
            return Acceptable;
        if (m_edit->hasFocus() && m_refused && *m_refused)
            (*m_refused)(why);
        return Invalid;
    }

private:
    const ParameterDef& m_def;
    std::size_t m_index;
    QLineEdit* m_edit;
    const std::function<void(const std::string&)>* m_refused;
};

} // namespace

ParameterEditorPanel::ParameterEditorPanel(const std::array<QScrollArea*, kModelLines>& scrollBoxes,
                                           QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("ParameterEditorPanel"));
    for (int line = 0; line < kLines; ++line) {
        QScrollArea* scroll = scrollBoxes[static_cast<size_t>(line)];
        if (!scroll)
            continue;
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidget(buildPage(static_cast<DeviceType>(line), scroll));
        m_scrollBoxes[line] = scroll;
    }
}

QString ParameterEditorPanel::nameSuffix(DeviceType line)
{
    return line < kLines ? QString::fromLatin1(kLineSuffix[line]) : QString();
}

QWidget* ParameterEditorPanel::buildPage(DeviceType line, QWidget* parent)
{
    auto* content = new QWidget(parent);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 4, 2, 4);
    layout->setSpacing(6);
    auto* heading = new QLabel(QStringLiteral("Parameter"), content);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    const QString suffix = QString::fromLatin1(kLineSuffix[line]);
    // The tables list the codes group by group; a new caption opens a new box.
    QGroupBox* box = nullptr;
    QGridLayout* rows = nullptr;
    for (const ParameterDef& def : parameterTable(line)) {
        const QString group = QString::fromUtf8(def.group.c_str());
        if (!box || box->title() != group) {
            box = new QGroupBox(group, content);
            QString name = group;
            name.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
            box->setObjectName(QStringLiteral("gb_") + name + suffix);
            rows = new QGridLayout(box);
            rows->setContentsMargins(4, 4, 4, 6);
            rows->setHorizontalSpacing(4);
            rows->setVerticalSpacing(3);
            rows->setColumnStretch(1, 1);
            layout->addWidget(box);
        }
        const int row = rows->rowCount();
        auto* label = new QLabel(QString::fromStdString(def.code), box);
        label->setObjectName(QStringLiteral("lb_") + lowerCode(def.code) + suffix);
        label->setMinimumWidth(22);
        rows->addWidget(label, row, 0);
        auto* values = new QHBoxLayout;
        values->setSpacing(2);
        for (std::size_t i = 0; i < def.values.size(); ++i) {
            values->addWidget(buildValue(line, def, i, box));
            if (def.values.size() > 1) {
                Field& f = m_fields[def.values[i].control];
                f.row = values;
                showWholeValue(def.values[i].control);
            }
        }
        rows->addLayout(values, row, 1);
    }
    layout->addStretch(1);
    return content;
}

QWidget* ParameterEditorPanel::buildValue(DeviceType line, const ParameterDef& code, std::size_t index,
                                          QWidget* parent)
{
    const ValueDef& def = code.values[index];
    auto* holder = new QWidget(parent);
    // The row's room goes by the stretch factors alone (see showWholeValue),
    // not by a line edit's generous size hint.
    holder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* edit = new ValueField(holder);
    edit->setObjectName(QString::fromStdString(def.control));
    edit->setMinimumWidth(20);
    edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const QString hint = QString::fromUtf8(def.hintText().c_str());
    edit->setToolTip(hint);
    edit->setStatusTip(hint);
    edit->setValidator(new FieldValidator(code, index, edit, &OnRefused));
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, control = def.control] { showWholeValue(control); });
    layout->addWidget(edit, 1);

    Field f;
    f.edit = edit;
    f.def = &def;
    f.holder = holder;
    if (def.kind != EditorKind::FreeText) {
        const QString name = QString::fromStdString(def.stepControl());
        auto* pair = new QWidget(holder);
        pair->setObjectName(name);
        pair->setFixedWidth(kStepWidth);
        auto* halves = new QVBoxLayout(pair);
        halves->setContentsMargins(0, 0, 0, 0);
        halves->setSpacing(0);
        const struct {
            StepDirection direction;
            Qt::ArrowType arrow;
            const char* suffix;
        } kHalves[] = {{StepDirection::Up, Qt::UpArrow, kUpSuffix[line]},
                       {StepDirection::Down, Qt::DownArrow, kDownSuffix[line]}};
        for (const auto& half : kHalves) {
            auto* b = new QToolButton(pair);
            b->setObjectName(name + QString::fromLatin1(half.suffix));
            b->setArrowType(half.arrow);
            b->setAutoRaise(false);
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            b->setFixedSize(kStepWidth, 11);
            b->setToolTip(hint);
            b->setStatusTip(hint);
            connect(b, &QToolButton::clicked, this,
                    [this, control = def.control, d = half.direction] { step(control, d); });
            halves->addWidget(b);
            (half.direction == StepDirection::Up ? f.up : f.down) = b;
        }
        layout->addWidget(pair);
    }
    if (def.heaterCheck)
        m_heaterFields.push_back(edit);
    // Filled, read, saved and exported like the others, only never shown.
    if (def.hidden)
        holder->setVisible(false);
    m_fields[def.control] = f;
    return holder;
}

const ParameterEditorPanel::Field* ParameterEditorPanel::find(const std::string& control) const
{
    const auto it = m_fields.find(control);
    return it == m_fields.end() ? nullptr : &it->second;
}

std::string ParameterEditorPanel::fieldText(const std::string& control) const
{
    const Field* f = find(control);
    return f && f->edit ? textToBytes(f->edit->text()) : std::string();
}

void ParameterEditorPanel::setFieldText(const std::string& control, const std::string& text)
{
    const Field* f = find(control);
    if (!f || !f->edit)
        return;
    const QString t = bytesToText(text);
    if (f->edit->text() != t)
        f->edit->setText(t);
    // setText leaves the cursor at the end, which scrolls a narrow field to
    // the end of its value: "-1250.5" showed as "250.5".
    f->edit->setCursorPosition(0);
}

void ParameterEditorPanel::showWholeValue(const std::string& control)
{
    const Field* f = find(control);
    if (!f || !f->edit)
        return;
    // The hint, and the whole value for a field too narrow to show it.
    QString tip = QString::fromUtf8(f->def->hintText().c_str());
    if (!f->edit->text().isEmpty())
        tip += QStringLiteral("\r\nValue: ") + f->edit->text();
    f->edit->setToolTip(tip);
    // In a row of several values each field gets room by the length of its
    // value: Q1's "-1250.5" and "100000" need more than its level "1".
    if (f->row && f->holder)
        f->row->setStretchFactor(f->holder, std::clamp(static_cast<int>(f->edit->text().size()), 2, 10));
}

void ParameterEditorPanel::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    for (auto& [control, f] : m_fields) {
        if (f.edit)
            f.edit->setReadOnly(locked);
        for (QToolButton* b : {f.up.data(), f.down.data()})
            if (b)
                b->setEnabled(!locked);
    }
}

char ParameterEditorPanel::decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? point[0].toLatin1() : '.';
}

QLineEdit* ParameterEditorPanel::field(const std::string& control) const
{
    const Field* f = find(control);
    return f ? f->edit.data() : nullptr;
}

QToolButton* ParameterEditorPanel::stepButton(const std::string& control, StepDirection direction) const
{
    const Field* f = find(control);
    if (!f)
        return nullptr;
    return direction == StepDirection::Up ? f->up.data() : f->down.data();
}

QScrollArea* ParameterEditorPanel::scrollBox(DeviceType line) const
{
    return line < kLines ? m_scrollBoxes[line].data() : nullptr;
}

void ParameterEditorPanel::step(const std::string& control, StepDirection direction)
{
    const Field* f = find(control);
    if (!f || !f->edit)
        return;
    if (f->def->kind == EditorKind::Numeric)
        StepNumber(f->edit, f->def->low, f->def->high, direction);
    else if (f->def->kind == EditorKind::List)
        StepListItem(f->edit, direction);
}

void ParameterEditorPanel::StepNumber(QLineEdit* field, int low, int high, StepDirection direction)
{
    if (!field)
        return;
    field->setText(bytesToText(pxr::StepNumber(textToBytes(field->text()), low, high, direction)));
}

void ParameterEditorPanel::StepListItem(QLineEdit* field, StepDirection direction)
{
    if (!field)
        return;
    const Field* f = find(field->objectName().toStdString());
    if (!f || f->edit != field)
        return;
    field->setText(bytesToText(pxr::StepListItem(textToBytes(field->text()), f->def->list, direction)));
}

void ParameterEditorPanel::cb_he_Exit()
{
    // A readout fills the fields meanwhile; it is not the user leaving one.
    if (m_locked || m_heaterFields.empty())
        return;
    // Corrected values are written for the user, in the user's notation.
    applyHeaterCheck(kPXR501, *this, decimalSeparator());
}

bool ParameterEditorPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field for another control counts; the window losing
        // the focus or a menu opening over it does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const auto& heater : m_heaterFields)
                if (heater == watched) {
                    cb_he_Exit();
                    break;
                }
            // Back to the first character, as the field shows a value it was given.
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                edit->setCursorPosition(0);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pxr
