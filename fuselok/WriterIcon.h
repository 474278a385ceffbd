// The writer control's icon, drawn in code: a voice chip with an arrow
// burning into it. The window shows it; the installation exports it for the
// desktop's menu.
#pragma once

#include <QIcon>
#include <QPixmap>

// The icon drawn at `size` x `size` pixels.
QPixmap WriterIconPixmap(int size);

// The window's icon, at the sizes a title bar and task bar ask for.
QIcon WriterIcon();
