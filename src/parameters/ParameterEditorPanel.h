#pragma once
// The parameter editor at the left edge of the main window: the fields of
// each model line in its scroll box (ScrollBox_4X, ScrollBox_300C,
// ScrollBox_301), built from the parameter tables. Every value has a one-line field named
// after its control (`cb_sa_2`) with its hint as tool-tip and status-bar
// hint; numeric and list fields have a step-button pair (`sp_sa_2`) right of
// them; the heater fields of PXR501/502 are checked when they lose the focus.
// A field shows its value from the first character (a readout puts it there,
// leaving a field moves back to it) and its tool-tip ends with the whole
// value; a character the meter cannot take is not taken when typed or
// pasted (ValueCheck.h).
//
// The panel is the editor seen from the core (FieldBinding): the parameter
// sets write through to its fields, and the file and clipboard commands read
// and write them. Field texts are byte strings, one byte per character, as
// the meter and the parameter files have them.

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devices/DeviceType.h"
#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterEditor.h"

class QEvent;
class QHBoxLayout;
class QLineEdit;
class QScrollArea;
class QToolButton;
class QWidget;

namespace pxr {

class ParameterEditorPanel : public QObject, public FieldBinding {
    Q_OBJECT
public:
    // Fills each scroll box (index = model line) with the editor of its
    // line; a line without a scroll box gets none.
    explicit ParameterEditorPanel(const std::array<QScrollArea*, kModelLines>& scrollBoxes,
                                  QObject* parent = nullptr);
    // What the names of a model line's controls end in: "", "_1", "_2".
    static QString nameSuffix(DeviceType line);

    // ---- FieldBinding ----
    std::string fieldText(const std::string& control) const override;
    void setFieldText(const std::string& control, const std::string& text) override;

    // The field of a control, or null.
    QLineEdit* field(const std::string& control) const;
    // Up and down half of the field's step-button pair, or null.
    QToolButton* stepButton(const std::string& control, StepDirection direction) const;
    // Scroll area of a model line's page.
    QScrollArea* scrollBox(DeviceType line) const;

    // One step of a numeric field within its range / of a list field
    // through its list, as the step buttons do.
    void StepNumber(QLineEdit* field, int low, int high, StepDirection direction);
    void StepListItem(QLineEdit* field, StepDirection direction);
    // The heater check of page PXR501/502, whichever heater field was left.
    void cb_he_Exit();

    // Read-only while a readout fills the fields or a write takes them: no
    // typing, no step buttons, no heater check.
    void setLocked(bool locked);
    bool locked() const { return m_locked; }

    // The user's decimal separator, as the heater check writes corrected values.
    static char decimalSeparator();

    // A typed or pasted character that a field cannot take was refused; the
    // text names the character and the code.
    std::function<void(const std::string& text)> OnRefused;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Field {
        QPointer<QLineEdit> edit;
        QPointer<QToolButton> up;
        QPointer<QToolButton> down;
        const ValueDef* def = nullptr;
        QWidget* holder = nullptr;   // the field with its step buttons
        QHBoxLayout* row = nullptr;  // the row of a code with several values
    };

    QWidget* buildPage(DeviceType line, QWidget* parent);
    QWidget* buildValue(DeviceType line, const ParameterDef& code, std::size_t index, QWidget* parent);
    void step(const std::string& control, StepDirection direction);
    const Field* find(const std::string& control) const;

    void showWholeValue(const std::string& control);

    std::map<std::string, Field> m_fields;
    bool m_locked = false;
    std::vector<QPointer<QLineEdit>> m_heaterFields; // HE value 1, HE value 2
    QPointer<QScrollArea> m_scrollBoxes[kModelLines];
};

} // namespace pxr
