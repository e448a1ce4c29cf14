// Which viewer previews a resource in the archive browsers: the resource type
// chooses one of eight preview kinds.
#pragma once

#include <cstdint>

// Preview kinds, as stored by a browser while a preview is embedded.
constexpr int kPreviewNone = -1;
constexpr int kPreview2DA = 0;      // 2DA table, handed over as bytes
constexpr int kPreviewText = 1;     // plain text
constexpr int kPreviewPicture = 2;  // BMP, TGA, DDS
constexpr int kPreviewPLT = 3;      // layered texture
constexpr int kPreviewGFF = 4;      // blueprints and the other GFF files
constexpr int kPreviewSound = 5;    // WAV, its file kept while it plays
constexpr int kPreviewModel = 6;    // MDL
constexpr int kPreviewSoundSet = 7; // SSF
constexpr int kPreviewKindCount = 8;

// The preview kind of a resource type, kPreviewNone when no viewer shows it.
// fromErf: the type comes from an ERF archive (32-bit, reserved word included)
// rather than from the KEY index. Both browsers share every row today, JRL
// included; the flag keeps the two tables apart should they differ again.
int PreviewKindOf(std::int32_t resType, bool fromErf);
