// What a shared sheet hands to the phone gallery: the one place that decides which picture of
// the sheet guests take home, for the booth and for kivra-project share alike.
#pragma once

#include "share/share_publisher.h"

class CombinationSlots;

/// The sheet at the largest size the booth composes, over the empty-slot picture as saving
/// does, and every used slot's picture in slot order.
ShareContent ShareContentOf(const CombinationSlots& model);
