#include "storage/property_catalogue.h"

namespace vellomar {

const PropertyTableEntry kPropertyTable[kPropertyCount] = {
    {"SetActiveArray", "Number", kNumberUnitsCode},
    {"SetReadIndex", "Number", kNumberUnitsCode},
    {"GetReadIndex", "Number", kNumberUnitsCode},
    {"SetWriteIndex", "Number", kNumberUnitsCode},
    {"GetWriteIndex", "Number", kNumberUnitsCode},
    {"GetArrayToken", "Number", kNumberUnitsCode},
    {"CreateNumberArray", "String", kTextUnitsCode},
    {"CreateStringArray", "String", kTextUnitsCode},
    {"GetNumberValue", "Number", kNumberUnitsCode},
    {"SetNumberValue", "Number", kNumberUnitsCode},
    {"SetArraySize", "Number", kNumberUnitsCode},
    {"GetArraySize", "Number", kNumberUnitsCode},
    {"GetArrayName", "String", kTextUnitsCode},
    {"GetStringValue", "String", kTextUnitsCode},
    {"SetStringValue", "String", kTextUnitsCode},
};

}  // namespace vellomar
