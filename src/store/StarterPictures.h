#pragma once

#include <QByteArray>
#include <QImage>

// Flat pictures for the tokens a new database starts with, drawn in code on transparent
// 196 x 196 surfaces.
namespace StarterPictures {

enum class Picture {
    Tessaro,    // the launcher itself: tokens round an orbit
    Home,       // a house
    Terminal,   // a console window with a prompt
    Browser,    // a globe
    Editor,     // a page with a pencil
    Files,      // a folder
    System,     // a gear
    Monitor,    // a chart of activity
    Settings,   // slider controls
    Calculator, // a pocket calculator
    Disk,       // a drive
    Downloads,  // an arrow into a tray
    // The levels of applications by kind.
    Internet,    // a cloud
    Office,      // a briefcase
    Graphics,    // a painter's palette
    Multimedia,  // a play button
    Development, // code brackets in a window
    Games,       // a game pad
    Education,   // a mortarboard
    Utilities,   // a toolbox
    Other,       // a grid of tiles
};
constexpr Picture LastPicture = Picture::Other;

constexpr int Size = 196;

QImage Draw(Picture picture);
// The picture as PNG bytes.
QByteArray Png(Picture picture);

} // namespace StarterPictures
