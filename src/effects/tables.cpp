#include "effects/tables.h"

#include "assets/assets.h"
#include "frame/tables.h"

bool BuildTables(const Region* r)
{
    if (!BuildFrameTables(r))
        return false;
    BuildTunnelTables(r);
    BuildRotoTexture();
    RestoreScrollerPicture();
    CutOutFont();
    EncodeText();
    return true;
}
