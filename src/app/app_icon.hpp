#pragma once
// The application's own icon: the gauge, drawn by the project.

#include <QIcon>

QIcon applicationIcon();
