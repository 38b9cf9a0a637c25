// Control ids: every widget of a dialog carries the numeric id of its control, so dialogs,
// tests and notifications can find controls by the ids the booth's windows are built around.
#pragma once

#include <QWidget>

namespace platform {

inline constexpr const char* kCtrlIdProperty = "ctrlId";

inline void setControlId(QWidget* w, int id)
{
    w->setProperty(kCtrlIdProperty, id);
}

inline int controlId(const QObject* w)
{
    const QVariant v = w->property(kCtrlIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

/// The descendant of parent with the given control id, or nullptr.
template <typename T = QWidget>
T* findControl(const QWidget* parent, int id)
{
    for (T* child : parent->findChildren<T*>()) {
        if (controlId(child) == id)
            return child;
    }
    return nullptr;
}

} // namespace platform
