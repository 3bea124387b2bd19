// The names of the sixteen voices, shared by the string table and the main program's menu.
#ifndef VTR_RESOURCES_INTERNAL_VOICES_H_
#define VTR_RESOURCES_INTERNAL_VOICES_H_

#include <string_view>

namespace vtr::resources {

struct VoiceName {
  std::string_view english, japanese, korean, chinese;
};

inline constexpr int kVoiceCount = 16;
inline constexpr int kFirstVoiceString = 32883;  // strings 32883-32898 of the script edit library

inline constexpr VoiceName kVoiceNames[kVoiceCount] = {
    {"Normal male voice", "おとこのひと", "남자 목소리", "男声"},
    {"Normal female voice", "おんなのひと", "여자 목소리", "女声"},
    {"Young man", "おにいさん", "오빠", "哥哥"},
    {"Young woman", "おねえさん", "언니", "姐姐"},
    {"Boy", "おとこのこ", "남자아이", "男孩"},
    {"Girl", "おんなのこ", "여자아이", "女孩"},
    {"Radio DJ (male)", "ラジオDJ(男の人)", "라디오 DJ(남자)", "电台DJ(男)"},
    {"Radio DJ (female)", "ラジオDJ(女の人)", "라디오 DJ(여자)", "电台DJ(女)"},
    {"Hard-boiled", "はーどぼいるど", "하드보일드", "硬汉"},
    {"Witch", "魔女", "마녀", "魔女"},
    {"Stuffy nose", "鼻づまり", "코막힘", "鼻塞"},
    {"Lisping", "舌たらず", "혀짧은 소리", "口齿不清"},
    {"Under water", "水の中", "물속", "水中"},
    {"Alien", "宇宙人", "외계인", "外星人"},
    {"Robot", "ロボット", "로봇", "机器人"},
    {"Synthesizer sound", "シンセ音", "신시사이저 소리", "合成器音"},
};

}  // namespace vtr::resources

#endif  // VTR_RESOURCES_INTERNAL_VOICES_H_
