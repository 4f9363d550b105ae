// Where the GIF control puts its picture, and how long an animation step waits.
#include "GIFImageWidget.h"

#include <gtest/gtest.h>

namespace {

struct TRectCase {
    const char* Name;
    QSize Picture, Control;
    Gui::TImageLayout Layout;
    QRect Expected;
};

Gui::TImageLayout Layout(bool center, bool stretch, bool ratio, bool bigOnly, bool tile) {
    Gui::TImageLayout l;
    l.Center = center;
    l.Stretch = stretch;
    l.StretchRatio = ratio;
    l.StretchBigOnly = bigOnly;
    l.Tile = tile;
    return l;
}

} // namespace

TEST(GIFWidgetLayout, ImageRect) {
    const Gui::TImageLayout plain, center = Layout(true, false, false, false, false);
    const Gui::TImageLayout stretch = Layout(false, true, false, false, false);
    const Gui::TImageLayout ratio = Layout(false, false, true, false, false);
    const Gui::TImageLayout ratioBig = Layout(false, false, true, true, false);
    const TRectCase cases[] = {
        {"empty picture", {0, 0}, {30, 20}, stretch, QRect()},
        {"own size at the corner", {10, 8}, {30, 20}, plain, {0, 0, 10, 8}},
        {"centred, smaller, odd differences", {9, 5}, {30, 20}, center, {10, 7, 9, 5}},
        {"centred, larger: cut evenly", {40, 30}, {30, 20}, center, {-5, -5, 40, 30}},
        {"centred, larger, odd: halved toward zero", {41, 31}, {30, 20}, center, {-5, -5, 41, 31}},
        {"stretched to the control", {10, 8}, {30, 20}, stretch, {0, 0, 30, 20}},
        {"same size: nothing to stretch", {30, 20}, {30, 20}, ratio, {0, 0, 30, 20}},
        {"stretch wins over ratio",
         {10, 10},
         {30, 20},
         Layout(false, true, true, false, false),
         {0, 0, 30, 20}},
        {"ratio, wide control: centred across", {10, 10}, {30, 20}, ratio, {5, 0, 20, 20}},
        {"ratio, tall control: centred down", {10, 10}, {20, 30}, ratio, {0, 5, 20, 20}},
        {"ratio, inset 2.5 rounds to even", {4, 4}, {9, 4}, ratio, {2, 0, 4, 4}},
        {"ratio, inset 3.5 rounds to even", {4, 4}, {11, 4}, ratio, {4, 0, 4, 4}},
        {"ratio, shrinking, inset 1.5", {8, 4}, {6, 6}, ratio, {0, 2, 6, 2}},
        {"big only, smaller picture: own size", {10, 10}, {30, 20}, ratioBig, {0, 0, 10, 10}},
        {"big only, smaller picture, centred",
         {10, 10},
         {30, 20},
         Layout(true, false, true, true, false),
         {10, 5, 10, 10}},
        {"big only, larger picture: shrunk", {40, 40}, {20, 10}, ratioBig, {5, 0, 10, 10}},
        {"big only, wider only: stretched",
         {40, 5},
         {30, 20},
         Layout(false, true, false, true, false),
         {0, 0, 30, 20}},
        {"tiled over the control", {7, 3}, {30, 20}, Layout(true, false, false, false, true), {0, 0, 30, 20}},
    };
    for (const TRectCase& c : cases)
        EXPECT_EQ(Gui::ImageRect(c.Picture, c.Control, c.Layout), c.Expected) << c.Name;
}

TEST(GIFWidgetLayout, AnimationInterval) {
    struct TCase {
        int Delay, Speed, Spent, Expected;
    };
    const TCase cases[] = {
        {0, 100, 0, 50},    {20, 100, 0, 50},   {20, 200, 0, 25},  {100, 100, 0, 100},
        {100, 200, 0, 50},  {100, 300, 0, 33},  {50, 100, 3, 47},  {50, 100, 80, 1},
        {100, 1, 0, 10000}, {100, 0, 0, 10000}, {100, 50, 0, 200},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Gui::AnimationInterval(c.Delay, c.Speed, c.Spent), c.Expected)
            << c.Delay << " ms at " << c.Speed << "% after " << c.Spent << " ms";
}
