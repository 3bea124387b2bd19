// The extended voices of a voice data block: the voices a host adds to the sixteen standard
// ones, each with its number (0-15, inserted as "X0"-"X15") and name.
//
// The block is scanned from byte 16 in steps of 48 bytes for the mark "KVN"; the records begin
// eight bytes after the mark (at byte 8 in a block without it) and are 17 bytes each: the voice
// number, then a 16-byte name padded with NULs. Reading stops at the first number above 15 or
// where the block has no room for a whole record.
//
//   // given: const uint8_t* block; int32_t block_size
//   std::vector<playback::ExtendedVoice> voices = ReadExtendedVoices(block, block_size);
//   // voices[i].command_id == 32862 + number, voices[i].text == "Robo : X3"
#ifndef VTR_SCRIPTEDIT_DIALOG_VOICE_DATA_H_
#define VTR_SCRIPTEDIT_DIALOG_VOICE_DATA_H_

#include <cstdint>
#include <vector>

#include "playback/script_player.h"

namespace vtr::scriptedit {

// The entries in block order. Each text is the name (script bytes; "Extended Voice" when the
// name is empty) followed by " : X" and the number. Null data or a size below 8 gives none.
std::vector<playback::ExtendedVoice> ReadExtendedVoices(const uint8_t* data, int32_t size);

// The voice number (0-15) of an entry.
int ExtendedVoiceNumber(const playback::ExtendedVoice& voice);

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_DIALOG_VOICE_DATA_H_
