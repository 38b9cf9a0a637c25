// SheetPublisher: where a finished sheet goes besides paper and files (the phone gallery). The
// output part hands every sheet a guest saved or printed to the publisher it was given, if any.
#pragma once

class CombinationSlots;

class SheetPublisher {
public:
    virtual ~SheetPublisher() = default;
    /// The sheet as it was saved or printed; called on the screen's thread, must not block it.
    virtual void publish(const CombinationSlots& sheet) = 0;
};
