// The driver's language module (KSTLANG.DLL, libkstlang.so): the names the
// header/footer prints, as string resources. The pipeline configurations name
// the module ("LangDllName64") and the first number of each list
// ("DataTimeID": short weekdays, weekdays, months, lower- and upper-case
// AM/PM markers).
#include <iterator>

#include "platform/string_resources.h"

namespace {

constexpr STRING_RESOURCE kStrings[] = {
    {1000, u"Sun"},     {1001, u"Mon"},      {1002, u"Tue"},       {1003, u"Wed"},     {1004, u"Thu"},
    {1005, u"Fri"},     {1006, u"Sat"},      {1010, u"Sunday"},    {1011, u"Monday"},  {1012, u"Tuesday"},
    {1013, u"Wednesday"}, {1014, u"Thursday"}, {1015, u"Friday"},  {1016, u"Saturday"}, {1020, u"January"},
    {1021, u"February"}, {1022, u"March"},   {1023, u"April"},     {1024, u"May"},     {1025, u"June"},
    {1026, u"July"},    {1027, u"August"},   {1028, u"September"}, {1029, u"October"}, {1030, u"November"},
    {1031, u"December"}, {1040, u"am"},      {1041, u"pm"},        {1050, u"AM"},      {1051, u"PM"},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const STRING_RESOURCE* StringResourceTable(UINT* count) {
  if (count) *count = static_cast<UINT>(std::size(kStrings));
  return kStrings;
}
