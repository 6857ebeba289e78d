#pragma once
// Which parts a run left out, and why: one line per part row for the "not all pieces" message.
#include <QString>
#include <QStringList>

class stavora_2d;

// Lines such as "Parts, row 3 (door, 2600 x 700): larger than every sheet", for every part row of the
// last run that was placed fewer times than asked; `grid_title` names the parts grid.
QStringList UnplacedPartLines(const stavora_2d& engine, const QString& grid_title);
