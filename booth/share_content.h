// What a shared sheet hands to the phone gallery: the one place that decides which picture of
// the sheet guests take home, for the booth and for kivra-project share alike.
#pragma once

#include "share/share_publisher.h"

class CombinationSlots;
class SheetPicture;

/// The sheet at the largest size the booth composes, over the empty-slot picture as saving
/// does, and every used slot's picture in slot order.
ShareContent ShareContentOf(const CombinationSlots& model);
/// The same from the sheet's picture (see CombinationSlots::sheetPicture): safe on any thread,
/// so the composing can leave the screen's thread.
ShareContent ShareContentOf(const SheetPicture& sheet);
