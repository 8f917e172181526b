#include "edid/EdidTransfer.h"

namespace edid
{

std::uint8_t fetchCode(Source source)
{
    switch (source) {
    case Source::DisplayA:
        return cmd::EdidFetchTvA;
    case Source::DisplayB:
        return cmd::EdidFetchTvB;
    case Source::Own:
        break;
    }
    return cmd::EdidFetchOwn;
}

} // namespace edid
