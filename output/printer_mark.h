// CPrinterMark: the small status dot laid on the main screen's Print button, so the operator sees
// a paused or missing printer before a guest asks for a print. It follows a PrinterWatch and also
// keeps the button's tooltip and accessible description in step with the printer's state.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "output/printer_queue.h"

class PrinterWatch;

/// What the mark says at a glance.
enum class PrinterMarkLevel {
    Unknown, ///< no answer yet, or the print server cannot be reached
    Ready, ///< idle and accepting jobs
    Busy, ///< printing, or jobs waiting
    Attention, ///< stopped, paused, refusing jobs, out of paper, not found...
};

/// The level of a printer's state; hasAnswer false (no answer yet) gives Unknown.
PrinterMarkLevel MarkLevelOf(const PrinterHealth& health, bool hasAnswer = true);
/// The line added under the button's own tooltip: "Printer booth: idle, no jobs waiting".
QString MarkDescription(const PrinterHealth& health, bool hasAnswer = true);

class CPrinterMark : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 16;

    /// Lays the mark over the top-right corner of button (its parent) and follows watch. The
    /// button's tooltip becomes its own text plus the printer's state.
    CPrinterMark(QWidget* button, PrinterWatch* watch);

    PrinterMarkLevel level() const { return m_level; }
    /// The colour the dot is painted in for level.
    static QColor colourOf(PrinterMarkLevel level);

public slots:
    void setHealth(const PrinterHealth& health);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPointer<QWidget> m_button;
    QString m_buttonTip;
    PrinterMarkLevel m_level = PrinterMarkLevel::Unknown;
};
