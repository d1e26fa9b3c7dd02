#include "support.h"

#include <cstring>

#include <gtest/gtest.h>

#include "assets/assets.h"
#include "effects/tables.h"

// Taken at load time, before any test can change the picture.
static const std::vector<uint16_t> SuppliedScroller(ScrollerPicture, ScrollerPicture + BufferPixels);
static bool Built = false;

void RestoreScrollerPicture()
{
    std::memcpy(ScrollerPicture, SuppliedScroller.data(), sizeof ScrollerPicture);
}

void RebuildTables()
{
    RestoreScrollerPicture();
    Region whole = MakeRegion(0, 0, BufferWidth, BufferHeight);
    ASSERT_TRUE(BuildTables(&whole));
    Built = true;
}

void EnsureTables()
{
    if (!Built)
        RebuildTables();
}
