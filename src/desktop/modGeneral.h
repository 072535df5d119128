#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

class QWidget;
class SingleInstance;

// Shows the window, raises it above its siblings and asks the window manager to give it the focus.
void ShowAndActivate(QWidget* window);

// Keeps the window above ordinary windows. Its position, size, visibility and window state stay as
// they were (changing window flags would otherwise hide a shown window).
void MakeTopmost(QWidget* window);

// A pixmap made from an icon, ready for a drag image or a QCursor: the icon's largest available size
// (or `size` when the icon can be drawn at any size, such as an SVG icon).
QPixmap PictureFromIcon(const QIcon& icon, const QSize& size = QSize(32, 32));
QPixmap PictureFromIcon(const QImage& image);

// When another copy of the program runs for this user and data folder, asks it (over the
// single-instance channel) to show and activate its window "Tessaro" and returns true: this copy
// should end. Otherwise this copy becomes the one that later copies reach, and the result is false.
bool ActivatePreviousInstance(SingleInstance& pChannel);
