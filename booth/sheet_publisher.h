// SheetPublisher: where a finished sheet goes besides paper and files (the phone gallery). The
// output part hands every sheet a guest saved or printed to the publisher it was given, if any.
#pragma once

#include <QString>

class CombinationSlots;

class SheetPublisher {
public:
    virtual ~SheetPublisher() = default;
    /// The sheet as it was saved or printed; called on the screen's thread, must not block it.
    virtual void publish(const CombinationSlots& sheet) = 0;
    /// Whether photo prints of the sheet carry its link as a QR code.
    virtual bool printsLink() const { return false; }
    /// The link to print on the sheet's photo print, the sheet published first when it has no
    /// link yet (waiting for it while the screen keeps painting). Empty when there is none to
    /// print: the code is not wanted, or publishing failed (which is told).
    virtual QString printLink(const CombinationSlots& sheet)
    {
        (void)sheet;
        return {};
    }
};
