#pragma once
// Which parts a run left out, and why: for the summary page and the "not all pieces" message.
#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

class stavora_2d;

// A part row of the last run that was placed fewer times than asked.
struct unplaced_part {
    int row = 0;      // counted from 1, as the grid shows it
    QString label;
    QString size;     // "900 × 400"
    int64_t missing = 0;
    QString reason;   // "larger than every sheet", in the loaded language
};

std::vector<unplaced_part> UnplacedParts(const stavora_2d& engine);

// Lines such as "Parts, row 3 (door, 2600 x 700): larger than every sheet", for every part row of the
// last run that was placed fewer times than asked; `grid_title` names the parts grid.
QStringList UnplacedPartLines(const stavora_2d& engine, const QString& grid_title);
