// BoothNotice: a message a part of the booth has for the people at it, told on the screen's
// notice banner without a question (nobody may be there to answer).
#pragma once

#include <QMetaType>
#include <QString>

struct BoothNotice {
    QString key; ///< a newer notice with the same key replaces the older one
    QString text;
    bool warning = false;
    /// How long it stays (ms): 0 until closed, negative for the banner's default.
    int timeoutMs = -1;
};
Q_DECLARE_METATYPE(BoothNotice)
