// The editor's window icon, drawn in code: a voice chip with a sound wave.
#pragma once

#include <QIcon>

QIcon EditorIcon();
