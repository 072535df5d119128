#pragma once

// Whether the X display named by DISPLAY accepts a connection.
bool X11DisplayAnswers();
