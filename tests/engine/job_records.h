#pragma once
// Part and sheet records for the engine tests, built as the grids would hand them over.
#include "model/input_records.h"

inline part_as_number_2d Part(fractional_double length, fractional_double width, int quantity,
                              const wchar_t* material = L"", const wchar_t* label = L"")
{
    part_as_number_2d p;
    p.length = length;
    p.width = width;
    p.quantity = quantity;
    p.material = material;
    p.label = label;
    return p;
}

inline stock_as_number_2d Sheet(fractional_double length, fractional_double width, int quantity,
                                const wchar_t* material = L"", const wchar_t* label = L"sheet")
{
    stock_as_number_2d s;
    s.length = length;
    s.width = width;
    s.quantity = quantity;
    s.material = material;
    s.label = label;
    return s;
}
