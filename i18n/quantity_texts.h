#pragma once
// Texts of the refusal of a job whose quantities the engine cannot hold, in every language.
#include "i18n/ui_texts.h"

enum class quantity_text : int {
    PartsList,         // "Parts"
    StockList,         // "Stock"
    QuantityTooLarge,  // "%1, row %2: quantity %3 is too large; one material takes at most %4 pieces."
    Count_
};

const text_row& QuantityTextRow(quantity_text text);
