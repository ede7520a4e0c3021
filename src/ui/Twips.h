#pragma once
// The screen layouts were drawn in twips: 15 twips make one pixel, rounded
// to the nearest.

constexpr int Twips(int twips)
{
    return (twips + 7) / 15;
}
