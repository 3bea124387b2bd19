/* Compiles the plug-in interface as C, as a host written in C sees it. */
#include "plugins/converter_api.h"

size_t VtrQrlCSizeOfConverterInfo(void) { return sizeof(ConverterInfo); }
size_t VtrQrlCSizeOfConvertOptions(void) { return sizeof(ConvertOptions); }
size_t VtrQrlCSizeOfConvertStatus(void) { return sizeof(ConvertStatus); }
size_t VtrQrlCOffsetOfUd(void) { return offsetof(ConvertOptions, ud); }
