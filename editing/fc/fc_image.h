// FCImage: the concrete effects-library image the dialogs and the booth create.
#pragma once

#include "editing/fc/fc_dib_effect.h"

class FCImage : public FCDibEffect {
public:
    FCImage() = default;
};
