// The user's settings (section GENERAL of option.ini) and the main window's
// stored geometry.
#pragma once

#include <string>

struct TSettings {
    std::string Language = "English";
    bool ModAutoPreview = true;
    bool BifAutoPreview = true;
    std::string ModDefaultDir;
    std::string BifDefaultDir;
    bool UTXMakeText = false;
    // The encoding of game text ("CP1250"); empty: by the game's language.
    std::string GameEncoding;
};

struct TWindowGeometry {
    int Width = 640;
    int Height = 480;
    int Left = 0; // written at exit, never read
    int Top = 0;  // written at exit, never read
    int State = 0; // non-zero: maximised
};

// The model view's camera and switches (section FRM_MDL), carried from one
// model view to the next.
struct TModelViewSettings {
    float xRot = -100; // about the X axis, degrees
    float yRot = 180;  // about the Z axis, degrees
    float xMove = 0;
    float yMove = 0;
    float Depth = -5;  // along the view axis; negative: away from the eye
    bool Wireframe = false;
    bool Skeleton = false;
    bool Blending = true;
};

// The settings of this run, read once at start-up.
TSettings &Settings();

// program folder + "option.ini".
std::string GetOptionFilePath();

// Reads section GENERAL of the file; a missing file or key gives the defaults.
void LoadOptions(const std::string &path, TSettings &settings, TWindowGeometry &geometry);
// Writes the six settings, then Width, Height, Left, Top and State, replacing
// keys already in the file and leaving every other key and section alone.
// Errors are not reported (returns false).
bool SaveOptions(const std::string &path, const TSettings &settings, const TWindowGeometry &geometry);

// Section FRM_MDL: a missing file, key or number gives the default.
TModelViewSettings LoadModelViewSettings(const std::string &path);
// Writes the eight values of FRM_MDL, leaving every other key and section
// alone. Errors are not reported (returns false).
bool SaveModelViewSettings(const std::string &path, const TModelViewSettings &settings);
