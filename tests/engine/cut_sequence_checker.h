#pragma once
// Replays a cutting sequence on its sheet and reports every way it fails to cut the layout.
#include <string>
#include <vector>

#include "engine/cut_sequence.h"

// Empty when the sequence, cut by cut, separates every piece and offcut of the layout exactly,
// each cut running straight across the part it divides and no longer than `maximal_cut_length`
// (0: no limit), and the figures it reports (parts, positions, lengths, freed items) are true.
std::vector<std::string> CheckCutSequence(const Solution2D& layout, const layout_cut_sequence& sequence,
                                          double maximal_cut_length);
