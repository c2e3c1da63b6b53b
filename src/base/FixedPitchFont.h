#pragma once
// The fixed-pitch font of the terminal, the log window and the live number:
// the first of these families the system has, a typewriter face otherwise.

#include <QFont>

namespace pxr {

inline QFont fixedPitchFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                   QStringLiteral("Courier")});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

} // namespace pxr
