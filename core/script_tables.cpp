#include "core/script_tables.h"

#include <algorithm>

namespace vtr::core {

// Texts are Shift-JIS bytes; the comment after each row shows the text.
const std::array<KanaRow, kKanaRows> kKanaTable = {{
    {"\x82\xA4\x81\x4A\x82\x9F", 6, 180},  // 0 う゛ぁ
    {"\x82\xA4\x81\x4A\x82\xA1", 6, 180},  // 1 う゛ぃ
    {"\x82\xA4\x81\x4A\x82\xA5", 6, 220},  // 2 う゛ぇ
    {"\x82\xA4\x81\x4A\x82\xA7", 6, 200},  // 3 う゛ぉ
    {"\x82\xA4\x81\x4A", 4, 200},          // 4 う゛
    {"\x82\xA2\x82\xA5", 4, 180},          // 5 いぇ
    {"\x82\xA4\x82\xA1", 4, 180},          // 6 うぃ
    {"\x82\xA4\x82\xA5", 4, 160},          // 7 うぇ
    {"\x82\xA4\x82\xA7", 4, 160},          // 8 うぉ
    {"\x82\xAB\x82\xA5", 4, 180},          // 9 きぇ
    {"\x82\xAB\x82\xE1", 4, 200},          // 10 きゃ
    {"\x82\xAB\x82\xE3", 4, 160},          // 11 きゅ
    {"\x82\xAB\x82\xE5", 4, 200},          // 12 きょ
    {"\x82\xAC\x82\xA5", 4, 200},          // 13 ぎぇ
    {"\x82\xAC\x82\xE1", 4, 200},          // 14 ぎゃ
    {"\x82\xAC\x82\xE3", 4, 180},          // 15 ぎゅ
    {"\x82\xAC\x82\xE5", 4, 200},          // 16 ぎょ
    {"\x82\xB5\x82\xA5", 4, 220},          // 17 しぇ
    {"\x82\xB5\x82\xE1", 4, 240},          // 18 しゃ
    {"\x82\xB5\x82\xE3", 4, 220},          // 19 しゅ
    {"\x82\xB5\x82\xE5", 4, 240},          // 20 しょ
    {"\x82\xB6\x82\xA5", 4, 240},          // 21 じぇ
    {"\x82\xB6\x82\xE1", 4, 220},          // 22 じゃ
    {"\x82\xB6\x82\xE3", 4, 220},          // 23 じゅ
    {"\x82\xB6\x82\xE5", 4, 240},          // 24 じょ
    {"\x82\xB7\x82\xA1", 4, 240},          // 25 すぃ
    {"\x82\xB8\x82\xA1", 4, 220},          // 26 ずぃ
    {"\x82\xBF\x82\xA5", 4, 220},          // 27 ちぇ
    {"\x82\xBF\x82\xE1", 4, 260},          // 28 ちゃ
    {"\x82\xBF\x82\xE3", 4, 220},          // 29 ちゅ
    {"\x82\xBF\x82\xE5", 4, 260},          // 30 ちょ
    {"\x82\xC0\x82\xA5", 4, 240},          // 31 ぢぇ
    {"\x82\xC0\x82\xE1", 4, 220},          // 32 ぢゃ
    {"\x82\xC0\x82\xE3", 4, 220},          // 33 ぢゅ
    {"\x82\xC0\x82\xE5", 4, 240},          // 34 ぢょ
    {"\x82\xC2\x82\x9F", 4, 200},          // 35 つぁ
    {"\x82\xC2\x82\xA1", 4, 200},          // 36 つぃ
    {"\x82\xC2\x82\xA5", 4, 200},          // 37 つぇ
    {"\x82\xC2\x82\xA7", 4, 200},          // 38 つぉ
    {"\x82\xC3\x82\xA1", 4, 200},          // 39 づぃ
    {"\x82\xC4\x82\xA1", 4, 160},          // 40 てぃ
    {"\x82\xC4\x82\xA5", 4, 180},          // 41 てぇ
    {"\x82\xC4\x82\xE1", 4, 220},          // 42 てゃ
    {"\x82\xC4\x82\xE3", 4, 200},          // 43 てゅ
    {"\x82\xC4\x82\xE5", 4, 220},          // 44 てょ
    {"\x82\xC5\x82\xA1", 4, 180},          // 45 でぃ
    {"\x82\xC5\x82\xA5", 4, 160},          // 46 でぇ
    {"\x82\xC5\x82\xE1", 4, 200},          // 47 でゃ
    {"\x82\xC5\x82\xE3", 4, 180},          // 48 でゅ
    {"\x82\xC5\x82\xE5", 4, 200},          // 49 でょ
    {"\x82\xC6\x82\xA3", 4, 160},          // 50 とぅ
    {"\x82\xC7\x82\xA3", 4, 160},          // 51 どぅ
    {"\x82\xC9\x82\xA5", 4, 180},          // 52 にぇ
    {"\x82\xC9\x82\xE1", 4, 220},          // 53 にゃ
    {"\x82\xC9\x82\xE3", 4, 200},          // 54 にゅ
    {"\x82\xC9\x82\xE5", 4, 220},          // 55 にょ
    {"\x82\xD0\x82\xA5", 4, 180},          // 56 ひぇ
    {"\x82\xD0\x82\xE1", 4, 220},          // 57 ひゃ
    {"\x82\xD0\x82\xE3", 4, 200},          // 58 ひゅ
    {"\x82\xD0\x82\xE5", 4, 220},          // 59 ひょ
    {"\x82\xD1\x82\xA5", 4, 180},          // 60 びぇ
    {"\x82\xD1\x82\xE1", 4, 220},          // 61 びゃ
    {"\x82\xD1\x82\xE3", 4, 200},          // 62 びゅ
    {"\x82\xD1\x82\xE5", 4, 220},          // 63 びょ
    {"\x82\xD2\x82\xA5", 4, 220},          // 64 ぴぇ
    {"\x82\xD2\x82\xE1", 4, 220},          // 65 ぴゃ
    {"\x82\xD2\x82\xE3", 4, 200},          // 66 ぴゅ
    {"\x82\xD2\x82\xE5", 4, 220},          // 67 ぴょ
    {"\x82\xD3\x82\x9F", 4, 220},          // 68 ふぁ
    {"\x82\xD3\x82\xA1", 4, 220},          // 69 ふぃ
    {"\x82\xD3\x82\xA5", 4, 220},          // 70 ふぇ
    {"\x82\xD3\x82\xA7", 4, 220},          // 71 ふぉ
    {"\x82\xD3\x82\xE1", 4, 240},          // 72 ふゃ
    {"\x82\xD3\x82\xE3", 4, 240},          // 73 ふゅ
    {"\x82\xDD\x82\xA5", 4, 180},          // 74 みぇ
    {"\x82\xDD\x82\xE1", 4, 200},          // 75 みゃ
    {"\x82\xDD\x82\xE3", 4, 180},          // 76 みゅ
    {"\x82\xDD\x82\xE5", 4, 200},          // 77 みょ
    {"\x82\xE8\x82\xA5", 4, 180},          // 78 りぇ
    {"\x82\xE8\x82\xE1", 4, 220},          // 79 りゃ
    {"\x82\xE8\x82\xE3", 4, 220},          // 80 りゅ
    {"\x82\xE8\x82\xE5", 4, 220},          // 81 りょ
    {"\x82\x9F", 2, 120},                  // 82 ぁ
    {"\x82\xA0", 2, 160},                  // 83 あ
    {"\x82\xA1", 2, 120},                  // 84 ぃ
    {"\x82\xA2", 2, 140},                  // 85 い
    {"\x82\xA3", 2, 120},                  // 86 ぅ
    {"\x82\xA4", 2, 140},                  // 87 う
    {"\x82\xA5", 2, 120},                  // 88 ぇ
    {"\x82\xA6", 2, 160},                  // 89 え
    {"\x82\xA7", 2, 120},                  // 90 ぉ
    {"\x82\xA8", 2, 160},                  // 91 お
    {"\x82\xA9", 2, 160},                  // 92 か
    {"\x82\xAA", 2, 160},                  // 93 が
    {"\x82\xAB", 2, 140},                  // 94 き
    {"\x82\xAC", 2, 160},                  // 95 ぎ
    {"\x82\xAD", 2, 140},                  // 96 く
    {"\x82\xAE", 2, 140},                  // 97 ぐ
    {"\x82\xAF", 2, 160},                  // 98 け
    {"\x82\xB0", 2, 160},                  // 99 げ
    {"\x82\xB1", 2, 160},                  // 100 こ
    {"\x82\xB2", 2, 160},                  // 101 ご
    {"\x82\xB3", 2, 160},                  // 102 さ
    {"\x82\xB4", 2, 180},                  // 103 ざ
    {"\x82\xB5", 2, 180},                  // 104 し
    {"\x82\xB6", 2, 180},                  // 105 じ
    {"\x82\xB7", 2, 180},                  // 106 す
    {"\x82\xB8", 2, 180},                  // 107 ず
    {"\x82\xB9", 2, 180},                  // 108 せ
    {"\x82\xBA", 2, 180},                  // 109 ぜ
    {"\x82\xBB", 2, 180},                  // 110 そ
    {"\x82\xBC", 2, 180},                  // 111 ぞ
    {"\x82\xBD", 2, 180},                  // 112 た
    {"\x82\xBE", 2, 160},                  // 113 だ
    {"\x82\xBF", 2, 140},                  // 114 ち
    {"\x82\xC0", 2, 200},                  // 115 ぢ
    {"\x82\xC1", 2, 120},                  // 116 っ
    {"\x82\xC2", 2, 180},                  // 117 つ
    {"\x82\xC3", 2, 180},                  // 118 づ
    {"\x82\xC4", 2, 180},                  // 119 て
    {"\x82\xC5", 2, 180},                  // 120 で
    {"\x82\xC6", 2, 160},                  // 121 と
    {"\x82\xC7", 2, 160},                  // 122 ど
    {"\x82\xC8", 2, 180},                  // 123 な
    {"\x82\xC9", 2, 180},                  // 124 に
    {"\x82\xCA", 2, 160},                  // 125 ぬ
    {"\x82\xCB", 2, 180},                  // 126 ね
    {"\x82\xCC", 2, 180},                  // 127 の
    {"\x82\xCD", 2, 180},                  // 128 は
    {"\x82\xCE", 2, 180},                  // 129 ば
    {"\x82\xCF", 2, 180},                  // 130 ぱ
    {"\x82\xD0", 2, 180},                  // 131 ひ
    {"\x82\xD1", 2, 180},                  // 132 び
    {"\x82\xD2", 2, 220},                  // 133 ぴ
    {"\x82\xD3", 2, 200},                  // 134 ふ
    {"\x82\xD4", 2, 200},                  // 135 ぶ
    {"\x82\xD5", 2, 220},                  // 136 ぷ
    {"\x82\xD6", 2, 220},                  // 137 へ
    {"\x82\xD7", 2, 220},                  // 138 べ
    {"\x82\xD8", 2, 220},                  // 139 ぺ
    {"\x82\xD9", 2, 220},                  // 140 ほ
    {"\x82\xDA", 2, 200},                  // 141 ぼ
    {"\x82\xDB", 2, 220},                  // 142 ぽ
    {"\x82\xDC", 2, 180},                  // 143 ま
    {"\x82\xDD", 2, 180},                  // 144 み
    {"\x82\xDE", 2, 160},                  // 145 む
    {"\x82\xDF", 2, 180},                  // 146 め
    {"\x82\xE0", 2, 180},                  // 147 も
    {"\x82\xE1", 2, 140},                  // 148 ゃ
    {"\x82\xE2", 2, 180},                  // 149 や
    {"\x82\xE3", 2, 120},                  // 150 ゅ
    {"\x82\xE4", 2, 160},                  // 151 ゆ
    {"\x82\xE5", 2, 140},                  // 152 ょ
    {"\x82\xE6", 2, 180},                  // 153 よ
    {"\x82\xE7", 2, 180},                  // 154 ら
    {"\x82\xE8", 2, 180},                  // 155 り
    {"\x82\xE9", 2, 180},                  // 156 る
    {"\x82\xEA", 2, 200},                  // 157 れ
    {"\x82\xEB", 2, 200},                  // 158 ろ
    {"\x82\xEC", 2, 180},                  // 159 ゎ
    {"\x82\xED", 2, 180},                  // 160 わ
    {"\x82\xEE", 2, 100},                  // 161 ゐ
    {"\x82\xEF", 2, 120},                  // 162 ゑ
    {"\x82\xF0", 2, 180},                  // 163 を
    {"\x82\xF1", 2, 180},                  // 164 ん
    {"\x81\x5B", 2, -1},                   // 165 ー
    {"\x81\x5D", 2, -1},                   // 166 ‐
    {"\x81\x5C", 2, -1},                   // 167 ―
    {"\x81\x7C", 2, -1},                   // 168 －
    {"\x81\x60", 2, -1},                   // 169 ～
    {"\x81\x40", 2, 200},                  // 170 full-width space
    {"\x2D", 1, -1},                       // 171 -
    {"\x7E", 1, -1},                       // 172 ~
    {"\x20", 1, 200},                      // 173 space
    {"\x81\x41", 2, 200},                  // 174 、
    {"\x81\x43", 2, 200},                  // 175 ，
    {"\x81\x42", 2, 400},                  // 176 。
    {"\x81\x44", 2, 400},                  // 177 ．
    {"\x81\x96", 2, 400},                  // 178 ＊
    {"\x81\x48", 2, 400},                  // 179 ？
    {"\xA4", 1, 200},                      // 180 ､
    {"\x2C", 1, 200},                      // 181 ,
    {"\xA1", 1, 400},                      // 182 ｡
    {"\x2E", 1, 400},                      // 183 .
    {"\x2A", 1, 400},                      // 184 *
    {"\x3F", 1, 400},                      // 185 ?
}};

// Ordered by first letter, then by vowel a, i, u, e, o.
const std::array<RomajiRow, kRomajiRows> kRomajiTable = {{
    {"a", 1, 1, 0x00A0},     // あ
    {"ba", 2, 1, 0x00CE},    // ば
    {"bi", 2, 1, 0x00D1},    // び
    {"bu", 2, 1, 0x00D4},    // ぶ
    {"be", 2, 1, 0x00D7},    // べ
    {"bo", 2, 1, 0x00DA},    // ぼ
    {"bya", 3, 2, 0xE1D1},   // びゃ
    {"byu", 3, 2, 0xE3D1},   // びゅ
    {"bye", 3, 2, 0xA5D1},   // びぇ
    {"byo", 3, 2, 0xE5D1},   // びょ
    {"cha", 3, 2, 0xE1BF},   // ちゃ
    {"chi", 3, 1, 0x00BF},   // ち
    {"chu", 3, 2, 0xE3BF},   // ちゅ
    {"che", 3, 2, 0xA5BF},   // ちぇ
    {"cho", 3, 2, 0xE5BF},   // ちょ
    {"cya", 3, 2, 0xE1BF},   // ちゃ
    {"cyu", 3, 2, 0xE3BF},   // ちゅ
    {"cye", 3, 2, 0xA5BF},   // ちぇ
    {"cyo", 3, 2, 0xE5BF},   // ちょ
    {"da", 2, 1, 0x00BE},    // だ
    {"di", 2, 1, 0x00C0},    // ぢ
    {"du", 2, 1, 0x00C3},    // づ
    {"de", 2, 1, 0x00C5},    // で
    {"do", 2, 1, 0x00C7},    // ど
    {"dha", 3, 2, 0xE1C5},   // でゃ
    {"dhi", 3, 2, 0xA1C5},   // でぃ
    {"dhu", 3, 2, 0xE3C5},   // でゅ
    {"dhe", 3, 2, 0xA5C5},   // でぇ
    {"dho", 3, 2, 0xE5C5},   // でょ
    {"dya", 3, 2, 0xE1C0},   // ぢゃ
    {"dyu", 3, 2, 0xE3C0},   // ぢゅ
    {"dye", 3, 2, 0xA5C0},   // ぢぇ
    {"dyo", 3, 2, 0xE5C0},   // ぢょ
    {"e", 1, 1, 0x00A6},     // え
    {"fa", 2, 2, 0x9FD3},    // ふぁ
    {"fi", 2, 2, 0xA1D3},    // ふぃ
    {"fu", 2, 1, 0x00D3},    // ふ
    {"fe", 2, 2, 0xA5D3},    // ふぇ
    {"fo", 2, 2, 0xA7D3},    // ふぉ
    {"fya", 3, 2, 0xE1D3},   // ふゃ
    {"fyu", 3, 2, 0xE3D3},   // ふゅ
    {"ga", 2, 1, 0x00AA},    // が
    {"gi", 2, 1, 0x00AC},    // ぎ
    {"gu", 2, 1, 0x00AE},    // ぐ
    {"ge", 2, 1, 0x00B0},    // げ
    {"go", 2, 1, 0x00B2},    // ご
    {"gya", 3, 2, 0xE1AC},   // ぎゃ
    {"gyu", 3, 2, 0xE3AC},   // ぎゅ
    {"gye", 3, 2, 0xA5AC},   // ぎぇ
    {"gyo", 3, 2, 0xE5AC},   // ぎょ
    {"ha", 2, 1, 0x00CD},    // は
    {"hi", 2, 1, 0x00D0},    // ひ
    {"hu", 2, 1, 0x00D3},    // ふ
    {"he", 2, 1, 0x00D6},    // へ
    {"ho", 2, 1, 0x00D9},    // ほ
    {"hya", 3, 2, 0xE1D0},   // ひゃ
    {"hyu", 3, 2, 0xE3D0},   // ひゅ
    {"hye", 3, 2, 0xA5D0},   // ひぇ
    {"hyo", 3, 2, 0xE5D0},   // ひょ
    {"i", 1, 1, 0x00A2},     // い
    {"ja", 2, 2, 0xE1B6},    // じゃ
    {"ji", 2, 1, 0x00B6},    // じ
    {"ju", 2, 2, 0xE3B6},    // じゅ
    {"je", 2, 2, 0xA5B6},    // じぇ
    {"jo", 2, 2, 0xE5B6},    // じょ
    {"jya", 3, 2, 0xE1B6},   // じゃ
    {"jyu", 3, 2, 0xE3B6},   // じゅ
    {"jye", 3, 2, 0xA5B6},   // じぇ
    {"jyo", 3, 2, 0xE5B6},   // じょ
    {"ka", 2, 1, 0x00A9},    // か
    {"ki", 2, 1, 0x00AB},    // き
    {"ku", 2, 1, 0x00AD},    // く
    {"ke", 2, 1, 0x00AF},    // け
    {"ko", 2, 1, 0x00B1},    // こ
    {"kya", 3, 2, 0xE1AB},   // きゃ
    {"kyu", 3, 2, 0xE3AB},   // きゅ
    {"kye", 3, 2, 0xA5AB},   // きぇ
    {"kyo", 3, 2, 0xE5AB},   // きょ
    {"ma", 2, 1, 0x00DC},    // ま
    {"mi", 2, 1, 0x00DD},    // み
    {"mu", 2, 1, 0x00DE},    // む
    {"me", 2, 1, 0x00DF},    // め
    {"mo", 2, 1, 0x00E0},    // も
    {"mya", 3, 2, 0xE1DD},   // みゃ
    {"myu", 3, 2, 0xE3DD},   // みゅ
    {"mye", 3, 2, 0xA5DD},   // みぇ
    {"myo", 3, 2, 0xE5DD},   // みょ
    {"na", 2, 1, 0x00C8},    // な
    {"ni", 2, 1, 0x00C9},    // に
    {"nu", 2, 1, 0x00CA},    // ぬ
    {"ne", 2, 1, 0x00CB},    // ね
    {"no", 2, 1, 0x00CC},    // の
    {"nn", 2, 1, 0x00F1},    // ん
    {"nya", 3, 2, 0xE1C9},   // にゃ
    {"nyu", 3, 2, 0xE3C9},   // にゅ
    {"nye", 3, 2, 0xA5C9},   // にぇ
    {"nyo", 3, 2, 0xE5C9},   // にょ
    {"o", 1, 1, 0x00A8},     // お
    {"pa", 2, 1, 0x00CF},    // ぱ
    {"pi", 2, 1, 0x00D2},    // ぴ
    {"pu", 2, 1, 0x00D5},    // ぷ
    {"pe", 2, 1, 0x00D8},    // ぺ
    {"po", 2, 1, 0x00DB},    // ぽ
    {"pya", 3, 2, 0xE1D2},   // ぴゃ
    {"pyu", 3, 2, 0xE3D2},   // ぴゅ
    {"pye", 3, 2, 0xA5D2},   // ぴぇ
    {"pyo", 3, 2, 0xE5D2},   // ぴょ
    {"ra", 2, 1, 0x00E7},    // ら
    {"ri", 2, 1, 0x00E8},    // り
    {"ru", 2, 1, 0x00E9},    // る
    {"re", 2, 1, 0x00EA},    // れ
    {"ro", 2, 1, 0x00EB},    // ろ
    {"rya", 3, 2, 0xE1E8},   // りゃ
    {"ryu", 3, 2, 0xE3E8},   // りゅ
    {"rye", 3, 2, 0xA5E8},   // りぇ
    {"ryo", 3, 2, 0xE5E8},   // りょ
    {"sa", 2, 1, 0x00B3},    // さ
    {"si", 2, 1, 0x00B5},    // し
    {"su", 2, 1, 0x00B7},    // す
    {"se", 2, 1, 0x00B9},    // せ
    {"so", 2, 1, 0x00BB},    // そ
    {"sha", 3, 2, 0xE1B5},   // しゃ
    {"shi", 3, 1, 0x00B5},   // し
    {"shu", 3, 2, 0xE3B5},   // しゅ
    {"she", 3, 2, 0xA5B5},   // しぇ
    {"sho", 3, 2, 0xE5B5},   // しょ
    {"sya", 3, 2, 0xE1B5},   // しゃ
    {"syu", 3, 2, 0xE3B5},   // しゅ
    {"sye", 3, 2, 0xA5B5},   // しぇ
    {"syo", 3, 2, 0xE5B5},   // しょ
    {"ta", 2, 1, 0x00BD},    // た
    {"ti", 2, 1, 0x00BF},    // ち
    {"tu", 2, 1, 0x00C2},    // つ
    {"te", 2, 1, 0x00C4},    // て
    {"to", 2, 1, 0x00C6},    // と
    {"tha", 3, 2, 0xE1C4},   // てゃ
    {"thi", 3, 2, 0xA1C4},   // てぃ
    {"thu", 3, 2, 0xE3C4},   // てゅ
    {"the", 3, 2, 0xA5C4},   // てぇ
    {"tho", 3, 2, 0xE5C4},   // てょ
    {"tsu", 3, 1, 0x00C2},   // つ
    {"tya", 3, 2, 0xE1BF},   // ちゃ
    {"tyu", 3, 2, 0xE3BF},   // ちゅ
    {"tye", 3, 2, 0xA5BF},   // ちぇ
    {"tyo", 3, 2, 0xE5BF},   // ちょ
    {"u", 1, 1, 0x00A4},     // う
    {"va", 2, 1, 0x00CE},    // ば
    {"vi", 2, 1, 0x00D1},    // び
    {"vu", 2, 1, 0x00D4},    // ぶ
    {"ve", 2, 1, 0x00D7},    // べ
    {"vo", 2, 1, 0x00DA},    // ぼ
    {"wa", 2, 1, 0x00ED},    // わ
    {"wi", 2, 1, 0x00EE},    // ゐ
    {"we", 2, 1, 0x00EF},    // ゑ
    {"wo", 2, 1, 0x00F0},    // を
    {"xa", 2, 1, 0x009F},    // ぁ
    {"xi", 2, 1, 0x00A1},    // ぃ
    {"xu", 2, 1, 0x00A3},    // ぅ
    {"xe", 2, 1, 0x00A5},    // ぇ
    {"xo", 2, 1, 0x00A7},    // ぉ
    {"xtu", 3, 1, 0x00C1},   // っ
    {"xtsu", 4, 1, 0x00C1},  // っ
    {"xya", 3, 1, 0x00E1},   // ゃ
    {"xyu", 3, 1, 0x00E3},   // ゅ
    {"xyo", 3, 1, 0x00E5},   // ょ
    {"xwa", 3, 1, 0x00EC},   // ゎ
    {"ya", 2, 1, 0x00E2},    // や
    {"yu", 2, 1, 0x00E4},    // ゆ
    {"yo", 2, 1, 0x00E6},    // よ
    {"za", 2, 1, 0x00B4},    // ざ
    {"zi", 2, 1, 0x00B6},    // じ
    {"zu", 2, 1, 0x00B8},    // ず
    {"ze", 2, 1, 0x00BA},    // ぜ
    {"zo", 2, 1, 0x00BC},    // ぞ
    {"zya", 3, 2, 0xE1B6},   // じゃ
    {"zyu", 3, 2, 0xE3B6},   // じゅ
    {"zye", 3, 2, 0xA5B6},   // じぇ
    {"zyo", 3, 2, 0xE5B6},   // じょ
}};

// Longest first. The syllables an, en, anr, ang and eng are the standard spellings; the
// single letters a, o, e, m, n and the particle yo complete the inventory.
const std::array<PinyinRow, kPinyinRows> kPinyinTable = {{
    {6, "zhongr"}, {6, "zhuair"}, {6, "zhuanr"}, {6, "zhuang"}, {6, "chuang"}, {6, "shuang"},
    {6, "shuair"}, {6, "shuanr"}, {5, "biaor"},  {5, "bianr"},  {5, "piaor"},  {5, "pianr"},
    {5, "miaor"},  {5, "mianr"},  {5, "fengr"},  {5, "dianr"},  {5, "duanr"},  {5, "tiaor"},
    {5, "tianr"},  {5, "tuanr"},  {5, "niaor"},  {5, "nianr"},  {5, "niang"},  {5, "liaor"},
    {5, "lianr"},  {5, "liang"},  {5, "guair"},  {5, "guanr"},  {5, "guang"},  {5, "kongr"},
    {5, "kuair"},  {5, "kuanr"},  {5, "kuang"},  {5, "huair"},  {5, "huanr"},  {5, "huang"},
    {5, "jiaor"},  {5, "jianr"},  {5, "jiang"},  {5, "jiong"},  {5, "juanr"},  {5, "qiaor"},
    {5, "qianr"},  {5, "qiang"},  {5, "qiong"},  {5, "quanr"},  {5, "xiaor"},  {5, "xianr"},
    {5, "xiang"},  {5, "xiong"},  {5, "xuanr"},  {5, "zhair"},  {5, "zhaor"},  {5, "zhour"},
    {5, "zhanr"},  {5, "zhang"},  {5, "zheng"},  {5, "zhong"},  {5, "zhuar"},  {5, "zhuai"},
    {5, "zhuir"},  {5, "zhuan"},  {5, "zhunr"},  {5, "zuanr"},  {5, "chair"},  {5, "chaor"},
    {5, "chour"},  {5, "chanr"},  {5, "chenr"},  {5, "chang"},  {5, "cheng"},  {5, "chong"},
    {5, "chuor"},  {5, "chuai"},  {5, "chuan"},  {5, "cuanr"},  {5, "shair"},  {5, "sheir"},
    {5, "shaor"},  {5, "shour"},  {5, "shanr"},  {5, "shenr"},  {5, "shang"},  {5, "sheng"},
    {5, "shuar"},  {5, "shuor"},  {5, "shuai"},  {5, "shuir"},  {5, "shuan"},  {5, "shunr"},
    {5, "suanr"},  {5, "ruanr"},  {5, "yingr"},  {5, "yongr"},  {5, "wangr"},  {5, "yuanr"},
    {4, "bair"},   {4, "beir"},   {4, "baor"},   {4, "banr"},   {4, "benr"},   {4, "bang"},
    {4, "beng"},   {4, "biao"},   {4, "bian"},   {4, "binr"},   {4, "bing"},   {4, "pair"},
    {4, "peir"},   {4, "paor"},   {4, "panr"},   {4, "penr"},   {4, "pang"},   {4, "peng"},
    {4, "piao"},   {4, "pian"},   {4, "pinr"},   {4, "ping"},   {4, "mair"},   {4, "meir"},
    {4, "maor"},   {4, "manr"},   {4, "menr"},   {4, "mang"},   {4, "meng"},   {4, "miao"},
    {4, "mian"},   {4, "minr"},   {4, "ming"},   {4, "feir"},   {4, "fanr"},   {4, "fenr"},
    {4, "fang"},   {4, "feng"},   {4, "dair"},   {4, "deir"},   {4, "daor"},   {4, "dour"},
    {4, "danr"},   {4, "denr"},   {4, "dang"},   {4, "deng"},   {4, "dong"},   {4, "diar"},
    {4, "dier"},   {4, "diao"},   {4, "dian"},   {4, "ding"},   {4, "duir"},   {4, "duan"},
    {4, "dunr"},   {4, "tair"},   {4, "taor"},   {4, "tour"},   {4, "tanr"},   {4, "tang"},
    {4, "teng"},   {4, "tong"},   {4, "tier"},   {4, "tiao"},   {4, "tian"},   {4, "ting"},
    {4, "tuor"},   {4, "tuir"},   {4, "tuan"},   {4, "tunr"},   {4, "nair"},   {4, "naor"},
    {4, "nanr"},   {4, "nang"},   {4, "neng"},   {4, "nong"},   {4, "niao"},   {4, "niur"},
    {4, "nian"},   {4, "ninr"},   {4, "ning"},   {4, "nuan"},   {4, "lair"},   {4, "lanr"},
    {4, "lang"},   {4, "leng"},   {4, "long"},   {4, "liar"},   {4, "liao"},   {4, "liur"},
    {4, "lian"},   {4, "linr"},   {4, "ling"},   {4, "luan"},   {4, "lunr"},   {4, "gair"},
    {4, "gaor"},   {4, "gour"},   {4, "ganr"},   {4, "gang"},   {4, "geng"},   {4, "gong"},
    {4, "guar"},   {4, "guor"},   {4, "guai"},   {4, "guir"},   {4, "guan"},   {4, "gunr"},
    {4, "kair"},   {4, "kaor"},   {4, "kour"},   {4, "kanr"},   {4, "kang"},   {4, "keng"},
    {4, "kong"},   {4, "kuar"},   {4, "kuai"},   {4, "kuir"},   {4, "kuan"},   {4, "kunr"},
    {4, "hair"},   {4, "haor"},   {4, "hour"},   {4, "hanr"},   {4, "hang"},   {4, "heng"},
    {4, "hong"},   {4, "huar"},   {4, "huor"},   {4, "huai"},   {4, "huir"},   {4, "huan"},
    {4, "hunr"},   {4, "jiar"},   {4, "jiao"},   {4, "jiur"},   {4, "jian"},   {4, "jinr"},
    {4, "jing"},   {4, "juan"},   {4, "junr"},   {4, "qiar"},   {4, "qiao"},   {4, "qiur"},
    {4, "qian"},   {4, "qinr"},   {4, "qing"},   {4, "quan"},   {4, "qunr"},   {4, "xiar"},
    {4, "xiao"},   {4, "xian"},   {4, "xinr"},   {4, "xing"},   {4, "xuan"},   {4, "xunr"},
    {4, "zhar"},   {4, "zher"},   {4, "zhai"},   {4, "zhei"},   {4, "zhao"},   {4, "zhou"},
    {4, "zhan"},   {4, "zhen"},   {4, "zhua"},   {4, "zhuo"},   {4, "zhui"},   {4, "zhun"},
    {4, "zair"},   {4, "zeir"},   {4, "zaor"},   {4, "zanr"},   {4, "zenr"},   {4, "zang"},
    {4, "zeng"},   {4, "zong"},   {4, "zuor"},   {4, "zuir"},   {4, "zuan"},   {4, "zunr"},
    {4, "char"},   {4, "cher"},   {4, "chir"},   {4, "chai"},   {4, "chao"},   {4, "chou"},
    {4, "chan"},   {4, "chen"},   {4, "chua"},   {4, "chuo"},   {4, "chui"},   {4, "chun"},
    {4, "cair"},   {4, "caor"},   {4, "cour"},   {4, "canr"},   {4, "cenr"},   {4, "cang"},
    {4, "ceng"},   {4, "cong"},   {4, "cuor"},   {4, "cuan"},   {4, "shar"},   {4, "sher"},
    {4, "shai"},   {4, "shei"},   {4, "shao"},   {4, "shou"},   {4, "shan"},   {4, "shen"},
    {4, "shua"},   {4, "shuo"},   {4, "shui"},   {4, "shun"},   {4, "sair"},   {4, "sanr"},
    {4, "senr"},   {4, "sang"},   {4, "seng"},   {4, "song"},   {4, "suor"},   {4, "suan"},
    {4, "rour"},   {4, "renr"},   {4, "rang"},   {4, "reng"},   {4, "rong"},   {4, "ruan"},
    {4, "yanr"},   {4, "yinr"},   {4, "yang"},   {4, "ying"},   {4, "yong"},   {4, "wair"},
    {4, "weir"},   {4, "wanr"},   {4, "wenr"},   {4, "wang"},   {4, "weng"},   {4, "yuan"},
    {4, "yunr"},   {3, "bar"},    {3, "bai"},    {3, "bei"},    {3, "bao"},    {3, "ban"},
    {3, "ben"},    {3, "bir"},    {3, "bie"},    {3, "bin"},    {3, "par"},    {3, "pai"},
    {3, "pei"},    {3, "pao"},    {3, "pou"},    {3, "pan"},    {3, "pen"},    {3, "pir"},
    {3, "pie"},    {3, "pin"},    {3, "mar"},    {3, "mai"},    {3, "mei"},    {3, "mao"},
    {3, "mou"},    {3, "man"},    {3, "men"},    {3, "mir"},    {3, "mie"},    {3, "miu"},
    {3, "min"},    {3, "mur"},    {3, "far"},    {3, "fei"},    {3, "fou"},    {3, "fan"},
    {3, "fen"},    {3, "fur"},    {3, "dar"},    {3, "der"},    {3, "dai"},    {3, "dei"},
    {3, "dao"},    {3, "dou"},    {3, "dan"},    {3, "den"},    {3, "dia"},    {3, "die"},
    {3, "diu"},    {3, "duo"},    {3, "dui"},    {3, "dun"},    {3, "tar"},    {3, "ter"},
    {3, "tai"},    {3, "tao"},    {3, "tou"},    {3, "tan"},    {3, "tie"},    {3, "tuo"},
    {3, "tui"},    {3, "tun"},    {3, "nar"},    {3, "ner"},    {3, "nai"},    {3, "nei"},
    {3, "nao"},    {3, "nou"},    {3, "nan"},    {3, "nen"},    {3, "nir"},    {3, "nie"},
    {3, "niu"},    {3, "nin"},    {3, "nuo"},    {3, "nvr"},    {3, "nve"},    {3, "lar"},
    {3, "ler"},    {3, "lai"},    {3, "lei"},    {3, "lao"},    {3, "lou"},    {3, "lan"},
    {3, "lir"},    {3, "lia"},    {3, "lie"},    {3, "liu"},    {3, "lin"},    {3, "luo"},
    {3, "lun"},    {3, "lvr"},    {3, "lve"},    {3, "gar"},    {3, "ger"},    {3, "gai"},
    {3, "gei"},    {3, "gao"},    {3, "gou"},    {3, "gan"},    {3, "gen"},    {3, "gua"},
    {3, "guo"},    {3, "gui"},    {3, "gun"},    {3, "kar"},    {3, "ker"},    {3, "kai"},
    {3, "kei"},    {3, "kao"},    {3, "kou"},    {3, "kan"},    {3, "ken"},    {3, "kua"},
    {3, "kuo"},    {3, "kui"},    {3, "kun"},    {3, "har"},    {3, "her"},    {3, "hai"},
    {3, "hei"},    {3, "hao"},    {3, "hou"},    {3, "han"},    {3, "hen"},    {3, "hua"},
    {3, "huo"},    {3, "hui"},    {3, "hun"},    {3, "jir"},    {3, "jia"},    {3, "jie"},
    {3, "jiu"},    {3, "jin"},    {3, "jur"},    {3, "jue"},    {3, "jun"},    {3, "qir"},
    {3, "qia"},    {3, "qie"},    {3, "qiu"},    {3, "qin"},    {3, "qur"},    {3, "que"},
    {3, "qun"},    {3, "xir"},    {3, "xia"},    {3, "xie"},    {3, "xiu"},    {3, "xin"},
    {3, "xur"},    {3, "xue"},    {3, "xun"},    {3, "zha"},    {3, "zhe"},    {3, "zhi"},
    {3, "zhu"},    {3, "zar"},    {3, "zir"},    {3, "zai"},    {3, "zei"},    {3, "zao"},
    {3, "zou"},    {3, "zan"},    {3, "zen"},    {3, "zuo"},    {3, "zui"},    {3, "zun"},
    {3, "cha"},    {3, "che"},    {3, "chi"},    {3, "chu"},    {3, "car"},    {3, "cir"},
    {3, "cai"},    {3, "cao"},    {3, "cou"},    {3, "can"},    {3, "cen"},    {3, "cuo"},
    {3, "cui"},    {3, "cun"},    {3, "sha"},    {3, "she"},    {3, "shi"},    {3, "shu"},
    {3, "sar"},    {3, "sir"},    {3, "sai"},    {3, "sao"},    {3, "sou"},    {3, "san"},
    {3, "sen"},    {3, "suo"},    {3, "sui"},    {3, "sun"},    {3, "rer"},    {3, "rir"},
    {3, "rao"},    {3, "rou"},    {3, "ran"},    {3, "ren"},    {3, "ruo"},    {3, "rui"},
    {3, "run"},    {3, "air"},    {3, "anr"},    {3, "ang"},    {3, "eng"},    {3, "yir"},
    {3, "yar"},    {3, "yao"},    {3, "you"},    {3, "yan"},    {3, "yin"},    {3, "war"},
    {3, "wor"},    {3, "wai"},    {3, "wei"},    {3, "wan"},    {3, "wen"},    {3, "yur"},
    {3, "yue"},    {3, "yun"},    {2, "ba"},     {2, "bo"},     {2, "bi"},     {2, "bu"},
    {2, "pa"},     {2, "po"},     {2, "pi"},     {2, "pu"},     {2, "ma"},     {2, "mo"},
    {2, "me"},     {2, "mi"},     {2, "mu"},     {2, "fa"},     {2, "fo"},     {2, "fu"},
    {2, "da"},     {2, "de"},     {2, "di"},     {2, "du"},     {2, "ta"},     {2, "te"},
    {2, "ti"},     {2, "tu"},     {2, "na"},     {2, "ne"},     {2, "ni"},     {2, "nu"},
    {2, "nv"},     {2, "la"},     {2, "lo"},     {2, "le"},     {2, "li"},     {2, "lu"},
    {2, "lv"},     {2, "ga"},     {2, "ge"},     {2, "gu"},     {2, "ka"},     {2, "ke"},
    {2, "ku"},     {2, "ha"},     {2, "he"},     {2, "hu"},     {2, "ji"},     {2, "ju"},
    {2, "qi"},     {2, "qu"},     {2, "xi"},     {2, "xu"},     {2, "za"},     {2, "ze"},
    {2, "zi"},     {2, "zu"},     {2, "ca"},     {2, "ce"},     {2, "ci"},     {2, "cu"},
    {2, "sa"},     {2, "se"},     {2, "si"},     {2, "su"},     {2, "re"},     {2, "ri"},
    {2, "ru"},     {2, "ar"},     {2, "or"},     {2, "er"},     {2, "ai"},     {2, "ei"},
    {2, "ao"},     {2, "ou"},     {2, "an"},     {2, "en"},     {2, "yi"},     {2, "ya"},
    {2, "ye"},     {2, "wu"},     {2, "wa"},     {2, "wo"},     {2, "yu"},     {2, "yo"},
    {1, "a"},      {1, "o"},      {1, "e"},      {1, "m"},      {1, "n"},
}};

const std::array<KanaRomajiRow, kKanaRomajiPairRows + kKanaRomajiSingleRows> kKanaRomajiTable = {{
    {0xE1AB, "kya"},  // きゃ
    {0xE3AB, "kyu"},  // きゅ
    {0xA5AB, "kye"},  // きぇ
    {0xE5AB, "kyo"},  // きょ
    {0xE1AC, "gya"},  // ぎゃ
    {0xE3AC, "gyu"},  // ぎゅ
    {0xA5AC, "gye"},  // ぎぇ
    {0xE5AC, "gyo"},  // ぎょ
    {0xE1B5, "sya"},  // しゃ
    {0xE3B5, "syu"},  // しゅ
    {0xA5B5, "sye"},  // しぇ
    {0xE5B5, "syo"},  // しょ
    {0xE1B6, "zya"},  // じゃ
    {0xE3B6, "zyu"},  // じゅ
    {0xA5B6, "zye"},  // じぇ
    {0xE5B6, "zyo"},  // じょ
    {0xE1BF, "tya"},  // ちゃ
    {0xE3BF, "tyu"},  // ちゅ
    {0xA5BF, "tye"},  // ちぇ
    {0xE5BF, "tyo"},  // ちょ
    {0xE1C0, "dya"},  // ぢゃ
    {0xE3C0, "dyu"},  // ぢゅ
    {0xA5C0, "dye"},  // ぢぇ
    {0xE5C0, "dyo"},  // ぢょ
    {0xE1C4, "tha"},  // てゃ
    {0xA1C4, "thi"},  // てぃ
    {0xE3C4, "thu"},  // てゅ
    {0xA5C4, "the"},  // てぇ
    {0xE5C4, "tho"},  // てょ
    {0xE1C5, "dha"},  // でゃ
    {0xA1C5, "dhi"},  // でぃ
    {0xE3C5, "dhu"},  // でゅ
    {0xA5C5, "dhe"},  // でぇ
    {0xE5C5, "dho"},  // でょ
    {0xE1C9, "nya"},  // にゃ
    {0xE3C9, "nyu"},  // にゅ
    {0xA5C9, "nye"},  // にぇ
    {0xE5C9, "nyo"},  // にょ
    {0xE1D0, "hya"},  // ひゃ
    {0xE3D0, "hyu"},  // ひゅ
    {0xA5D0, "hye"},  // ひぇ
    {0xE5D0, "hyo"},  // ひょ
    {0xE1D1, "bya"},  // びゃ
    {0xE3D1, "byu"},  // びゅ
    {0xA5D1, "bye"},  // びぇ
    {0xE5D1, "byo"},  // びょ
    {0xE1D2, "pya"},  // ぴゃ
    {0xE3D2, "pyu"},  // ぴゅ
    {0xA5D2, "pye"},  // ぴぇ
    {0xE5D2, "pyo"},  // ぴょ
    {0x9FD3, "fa"},   // ふぁ
    {0xA1D3, "fi"},   // ふぃ
    {0xA5D3, "fe"},   // ふぇ
    {0xA7D3, "fo"},   // ふぉ
    {0xE1D3, "fya"},  // ふゃ
    {0xE3D3, "fyu"},  // ふゅ
    {0xE1DD, "mya"},  // みゃ
    {0xE3DD, "myu"},  // みゅ
    {0xA5DD, "mye"},  // みぇ
    {0xE5DD, "myo"},  // みょ
    {0xE1E8, "rya"},  // りゃ
    {0xE3E8, "ryu"},  // りゅ
    {0xA5E8, "rye"},  // りぇ
    {0xE5E8, "ryo"},  // りょ
    {0x009F, "xa"},   // ぁ
    {0x00A0, "a"},    // あ
    {0x00A1, "xi"},   // ぃ
    {0x00A2, "i"},    // い
    {0x00A3, "xu"},   // ぅ
    {0x00A4, "u"},    // う
    {0x00A5, "xe"},   // ぇ
    {0x00A6, "e"},    // え
    {0x00A7, "xo"},   // ぉ
    {0x00A8, "o"},    // お
    {0x00A9, "ka"},   // か
    {0x00AA, "ga"},   // が
    {0x00AB, "ki"},   // き
    {0x00AC, "gi"},   // ぎ
    {0x00AD, "ku"},   // く
    {0x00AE, "gu"},   // ぐ
    {0x00AF, "ke"},   // け
    {0x00B0, "ge"},   // げ
    {0x00B1, "ko"},   // こ
    {0x00B2, "go"},   // ご
    {0x00B3, "sa"},   // さ
    {0x00B4, "za"},   // ざ
    {0x00B5, "si"},   // し
    {0x00B6, "zi"},   // じ
    {0x00B7, "su"},   // す
    {0x00B8, "zu"},   // ず
    {0x00B9, "se"},   // せ
    {0x00BA, "ze"},   // ぜ
    {0x00BB, "so"},   // そ
    {0x00BC, "zo"},   // ぞ
    {0x00BD, "ta"},   // た
    {0x00BE, "da"},   // だ
    {0x00BF, "ti"},   // ち
    {0x00C0, "di"},   // ぢ
    {0x00C1, "xtu"},  // っ
    {0x00C2, "tu"},   // つ
    {0x00C3, "du"},   // づ
    {0x00C4, "te"},   // て
    {0x00C5, "de"},   // で
    {0x00C6, "to"},   // と
    {0x00C7, "do"},   // ど
    {0x00C8, "na"},   // な
    {0x00C9, "ni"},   // に
    {0x00CA, "nu"},   // ぬ
    {0x00CB, "ne"},   // ね
    {0x00CC, "no"},   // の
    {0x00CD, "ha"},   // は
    {0x00CE, "ba"},   // ば
    {0x00CF, "pa"},   // ぱ
    {0x00D0, "hi"},   // ひ
    {0x00D1, "bi"},   // び
    {0x00D2, "pi"},   // ぴ
    {0x00D3, "hu"},   // ふ
    {0x00D4, "bu"},   // ぶ
    {0x00D5, "pu"},   // ぷ
    {0x00D6, "he"},   // へ
    {0x00D7, "be"},   // べ
    {0x00D8, "pe"},   // ぺ
    {0x00D9, "ho"},   // ほ
    {0x00DA, "bo"},   // ぼ
    {0x00DB, "po"},   // ぽ
    {0x00DC, "ma"},   // ま
    {0x00DD, "mi"},   // み
    {0x00DE, "mu"},   // む
    {0x00DF, "me"},   // め
    {0x00E0, "mo"},   // も
    {0x00E1, "xya"},  // ゃ
    {0x00E2, "ya"},   // や
    {0x00E3, "xyu"},  // ゅ
    {0x00E4, "yu"},   // ゆ
    {0x00E5, "xyo"},  // ょ
    {0x00E6, "yo"},   // よ
    {0x00E7, "ra"},   // ら
    {0x00E8, "ri"},   // り
    {0x00E9, "ru"},   // る
    {0x00EA, "re"},   // れ
    {0x00EB, "ro"},   // ろ
    {0x00EC, "xwa"},  // ゎ
    {0x00ED, "wa"},   // わ
    {0x00EE, "wi"},   // ゐ
    {0x00EF, "we"},   // ゑ
    {0x00F0, "wo"},   // を
    {0x00F1, "nn"},   // ん
}};

std::span<const PinyinRow> PinyinRowsOfLength(int length) {
  auto first = std::find_if(kPinyinTable.begin(), kPinyinTable.end(),
                            [length](const PinyinRow& row) { return row.length == length; });
  auto last = std::find_if(first, kPinyinTable.end(),
                           [length](const PinyinRow& row) { return row.length != length; });
  return {first, last};
}

std::span<const KanaRomajiRow> KanaRomajiPairs() {
  return std::span<const KanaRomajiRow>(kKanaRomajiTable).first(kKanaRomajiPairRows);
}

std::span<const KanaRomajiRow> KanaRomajiSingles() {
  return std::span<const KanaRomajiRow>(kKanaRomajiTable).subspan(kKanaRomajiPairRows);
}

const KanaRomajiRow* FindKanaPairRomaji(uint8_t first_trail, uint8_t second_trail) {
  const uint16_t code = static_cast<uint16_t>(second_trail << 8 | first_trail);
  for (const KanaRomajiRow& row : KanaRomajiPairs()) {
    if (row.kana_code == code) return &row;
  }
  return nullptr;
}

const KanaRomajiRow* FindKanaRomaji(uint8_t trail) {
  for (const KanaRomajiRow& row : KanaRomajiSingles()) {
    if (row.kana_code == trail) return &row;
  }
  return nullptr;
}

const RomajiRow* FindRomaji(std::string_view syllable) {
  for (const RomajiRow& row : kRomajiTable) {
    if (row.romaji == syllable) return &row;
  }
  return nullptr;
}

std::string KanaOfRomajiRow(const RomajiRow& row) {
  std::string kana;
  kana += '\x82';
  kana += static_cast<char>(row.kana_code & 0xFF);
  if (row.kana_count == 2) {
    kana += '\x82';
    kana += static_cast<char>(row.kana_code >> 8);
  }
  return kana;
}

}  // namespace vtr::core
