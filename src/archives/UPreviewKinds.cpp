#include "archives/UPreviewKinds.h"

int PreviewKindOf(std::int32_t resType, bool fromErf)
{
    (void)fromErf; // JRL (2056), once ERF-only, is previewed from BIFs as well
    switch (resType) {
    case 2017: // 2DA
        return kPreview2DA;
    case 7:    // INI
    case 10:   // TXT
    case 2009: // NSS
    case 2013: // SET
    case 2016: // WOK
    case 2022: // TXI
    case 2052: // DWK
    case 2053: // PWK
    case 9996: // INI
        return kPreviewText;
    case 1:    // BMP
    case 3:    // TGA
    case 2033: // DDS
        return kPreviewPicture;
    case 6: // PLT
        return kPreviewPLT;
    case 2012: // ARE
    case 2014: // IFO
    case 2023: // GIT
    case 2025: // UTI
    case 2027: // UTC
    case 2029: // DLG
    case 2030: // ITP
    case 2032: // UTT
    case 2035: // UTS
    case 2037: // GFF
    case 2038: // FAC
    case 2040: // UTE
    case 2042: // UTD
    case 2044: // UTP
    case 2046: // GIC
    case 2047: // GUI
    case 2051: // UTM
    case 2055: // UTG
    case 2056: // JRL
    case 2058: // UTW
    case 2060: // SSF on the KEY side, UTW in ERF archives: a GFF either way
        return kPreviewGFF;
    case 4: // WAV
        return kPreviewSound;
    case 2002: // MDL
        return kPreviewModel;
    case 2061: // SSF
        return kPreviewSoundSet;
    default:
        return kPreviewNone;
    }
}
