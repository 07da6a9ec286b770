// Writing Excel's fast table format (XlTable) from the manager's small text
// notation: an optional "{columns,rows}" prefix, then ";"-separated pieces,
// each either a typed record ("F,2,1.5,2" ...) or, alone, one cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dde {

// XlTable record types.
enum TXlTableDataType : uint16_t {
  tdtFloat = 1,
  tdtString = 2,
  tdtBool = 3,
  tdtError = 4,
  tdtBlank = 5,
  tdtInt = 6,
  tdtSkip = 7,
  tdtTable = 16,
};

// The XlTable bytes for text, taking the table's size from a "{c,r}" prefix or
// else from the item name (R1C1:R2C3 form; a name without ":" is one cell).
// Raises EMorviaError with the message of the fault.
std::vector<uint8_t> WriteXlTable(std::string_view text, std::string_view itemName);

}  // namespace dde
