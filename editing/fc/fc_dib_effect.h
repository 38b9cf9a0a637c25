// FCDibEffect: the adjustable pixel effects, working in place over the whole image.
#pragma once

#include <cstdint>
#include <functional>

#include "editing/fc/fc_dib.h"

class FCDibEffect : public FCDib {
public:
    /// Windy's directions.
    enum Direction { kLeft = 8, kRight = 16 };
    /// A source of non-negative random numbers.
    using RandomSource = std::function<std::uint32_t()>;

    FCDibEffect();

    // Every effect returns false and leaves the image unchanged when it is empty, has a depth the
    // effect does not handle, or a parameter is out of range; GetLastError() then says which.

    /// Horizontal relief: 128 + strength × (difference to the right neighbour / 3). 24/32 bits.
    bool Emboss(int strength);
    /// Pushes each channel away from its right neighbour by step (≥ 1). 24/32 bits.
    bool Sharp(int step);
    /// Blocks of n × n filled with their mean, 2 ≤ n < width and n < height. 24/32 bits.
    bool Mosaic(int block);
    /// Smears each row towards kLeft or kRight by up to strength pixels (1..width − 2); with
    /// smooth every row by exactly strength, otherwise by a random length. 24/32 bits.
    bool Windy(int strength, int direction, bool smooth);
    /// Lifts the image by swing percent (0..100) of 95 % of its height and waves the columns
    /// down along a cosine of the given frequency (0..1000). 8 bits and more.
    bool Stripe(int swing, int frequency);
    /// Adds −255..255 to each channel. Any depth but 16; palette images through the palette.
    bool AdjustRGB(int red, int green, int blue);
    /// Scales each channel by percent (0..200) in mode 0, the only mode. Any depth but 16.
    bool AdjustBrightness(int percent, int mode = 0);
    /// Scales each channel's distance from 128 by percent (0..200). Any depth but 16.
    bool AdjustContrast(int percent);
    /// Scales hue and saturation by percents (0..200) through a hue/lightness/saturation
    /// conversion. Any depth but 16.
    bool AdjustHueSaturation(int huePercent, int saturationPercent);

    /// Replaces Windy's random numbers (by default the C library's rand()).
    void SetRandomSource(RandomSource source);

private:
    bool CheckTrueColour(const char* effect);
    bool CheckNot16(const char* effect);
    /// Runs a per-channel lookup table over the pixels, or over the palette up to 8 bits.
    void ApplyChannelTables(const std::uint8_t* blue, const std::uint8_t* green, const std::uint8_t* red);

    RandomSource m_random;
};
