#pragma once

#include <QByteArray>

// The encoded picture of the token being edited, shared by the Token Manager window and the image
// picker: the window fills it from the token it loads, the picker replaces it with the chosen
// picture, and the window writes it back to the token when it saves. One array for the process.
QByteArray& ImageBytes();
