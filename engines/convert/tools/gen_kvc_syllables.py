#!/usr/bin/env python3
"""Generates kvc_syllables.inc: the 410 pinyin syllable rows of the "KV#C" converter.

Run once from the engines/convert folder
  python3 tools/gen_kvc_syllables.py > internal/kvc_syllables.inc
and check the output in. Each row is {name, default length [ms], phoneme text, erhua text}
(an empty erhua text: the syllable has no erhua form). Rows are sorted by name length, then
alphabetically.

Only seven rows (a e ao ma hua er qiu) came with their lengths and phoneme texts; the rest are
built by the rule those seven show, and the generator checks that it reproduces all seven:

  text   = the initial's phoneme name + the final's phoneme name
           (m "m", h "x", q "ts\\_h", ...; a 'a_"', e "7", ao "AU", ua 'ua_"', iou "i@u", ...)
  erhua  = the initial's name + the final's erhua name; finals with a coda (-i, -n, -ng) or
           the offglide of ao/iao, and er and the apical vowels, have no erhua form.
  length = the final's nucleus length (a, o 260; e 300; er 280; e in ie/ei/ye, schwa, i, u,
           u-umlaut, syllabic ng 240; apical vowels 220)
           + 20 for each medial (i, u, u-umlaut) and each coda (i, o/u offglide, n, ng)
           - 80 after an aspirated initial (p t k q c ch), - 40 after any other initial,
           held to 180..320.
"""

NAMES = """
a e o ai an ao ba bi bo bu ca ce ci cu da de di du ei en er fa fo fu ga ge gu ha he hu ji
ju ka ke ku la le li lo lu lv ma me mi mo mu na ne ng ni nu nv ou pa pi po pu qi qu re ri
ru sa se si su ta te ti tu wa wo wu xi xu ya ye yi yo yu za ze zi zu ang bai ban bao bei
ben bie bin cai can cao cen cha che chi chu cou cui cun cuo dai dan dao dei den dia die diu
dou dui dun duo eng fan fei fen fou gai gan gao gei gen gou gua gui gun guo hai han hao hei
hen hou hua hui hun huo jia jie jin jiu jue jun kai kan kao kei ken kou kua kui kun kuo lai
lan lao lei lia lie lin liu lou lun luo lve mai man mao mei men mie min miu mou nai nan nao
nei nen nie nin niu nou nuo nve pai pan pao pei pen pie pin pou qia qie qin qiu que qun ran
rao ren rou rui run ruo sai san sao sen sha she shi shu sou sui sun suo tai tan tao tie tou
tui tun tuo wai wan wei wen xia xie xin xiu xue xun yan yao yin you yue yun zai zan zao zei
zen zha zhe zhi zhu zou zui zun zuo bang beng bian biao bing cang ceng chai chan chao chen
chou chua chui chun chuo cong cuan dang deng dian diao ding dong duan fang feng gang geng
gong guai guan hang heng hong huai huan jian jiao jing juan kang keng kong kuai kuan lang
leng lian liao ling long luan mang meng mian miao ming nang neng nian niao ning nong nuan
pang peng pian piao ping qian qiao qing quan rang reng rong ruan sang seng shai shan shao
shei shen shou shua shui shun shuo song suan tang teng tian tiao ting tong tuan wang weng
xian xiao xing xuan yang ying yong yuan zang zeng zhai zhan zhao zhei zhen zhou zhua zhui
zhun zhuo zong zuan chang cheng chong chuai chuan guang huang jiang jiong kuang liang niang
qiang qiong shang sheng shuai shuan xiang xiong zhang zheng zhong zhuai zhuan chuang shuang
zhuang
""".split()

# Initials: phoneme name and length change [ms].
INITIALS = {
    "b": ("p", -40), "p": ("p_h", -80), "m": ("m", -40), "f": ("f", -40),
    "d": ("t", -40), "t": ("t_h", -80), "n": ("n", -40), "l": ("l", -40),
    "g": ("k", -40), "k": ("k_h", -80), "h": ("x", -40),
    "j": ("ts\\", -40), "q": ("ts\\_h", -80), "x": ("s\\", -40),
    "zh": ("ts`", -40), "ch": ("ts`_h", -80), "sh": ("s`", -40), "r": ("z`", -40),
    "z": ("ts", -40), "c": ("ts_h", -80), "s": ("s", -40),
}

# Finals (in the standard spelling after an initial): phoneme name, erhua name (None: no
# erhua form), nucleus length [ms], number of medials and codas.
FINALS = {
    "a": ('a_"', "a`", 260, 0), "o": ("o", "o`", 260, 0), "e": ("7", "@`", 300, 0),
    "ai": ("aI", None, 260, 1), "ei": ("eI", None, 240, 1), "ao": ("AU", None, 260, 1),
    "ou": ("oU", "ou`", 260, 1), "an": ("an", None, 260, 1), "en": ("@n", None, 240, 1),
    "ang": ("AN", None, 260, 1), "eng": ("7N", None, 240, 1), "ong": ("UN", None, 240, 1),
    "er": ("@`", None, 280, 0),
    "i": ("i", "i@`", 240, 0), "ia": ('ia_"', "ia`", 260, 1), "io": ("io", "io`", 260, 1),
    "ie": ("iE", "iE`", 240, 1), "iao": ("iAU", None, 260, 2), "iou": ("i@u", "iou`", 260, 2),
    "ian": ("iEn", None, 260, 2), "in": ("in", None, 240, 1), "iang": ("iAN", None, 260, 2),
    "ing": ("iN", None, 240, 1), "iong": ("iUN", None, 240, 2),
    "u": ("u", "u`", 240, 0), "ua": ('ua_"', "ua`", 260, 1), "uo": ("uo", "uo`", 260, 1),
    "uai": ("uaI", None, 260, 2), "uei": ("ueI", None, 240, 2), "uan": ("uan", None, 260, 2),
    "uen": ("u@n", None, 240, 2), "uang": ("uAN", None, 260, 2), "ueng": ("u7N", None, 240, 2),
    "v": ("y", "y@`", 240, 0), "ve": ("yE", "yE`", 240, 1), "van": ("yEn", None, 260, 2),
    "vn": ("yn", None, 240, 1),
    "-i": ("1", None, 220, 0), "ng": ("N", None, 240, 0),
}

# Spellings without an initial: y- and w- forms and the bare finals.
ZERO_INITIAL = {
    "yi": "i", "ya": "ia", "yo": "io", "ye": "ie", "yao": "iao", "you": "iou", "yan": "ian",
    "yin": "in", "yang": "iang", "ying": "ing", "yong": "iong", "yu": "v", "yue": "ve",
    "yuan": "van", "yun": "vn", "wu": "u", "wa": "ua", "wo": "uo", "wai": "uai", "wei": "uei",
    "wan": "uan", "wen": "uen", "wang": "uang", "weng": "ueng",
}

# Abbreviated spellings after an initial.
ABBREVIATED = {"iu": "iou", "ui": "uei", "un": "uen"}

TELLING = {
    "a": (260, "61 5F 22", "61 60"), "e": (300, "37", "40 60"), "ao": (280, "41 55", None),
    "ma": (220, "6D 61 5F 22", "6D 61 60"), "hua": (240, "78 75 61 5F 22", "78 75 61 60"),
    "er": (280, "40 60", None),
    "qiu": (220, "74 73 5C 5F 68 69 40 75", "74 73 5C 5F 68 69 6F 75 60"),
}


def split(name):
    if name in ZERO_INITIAL:
        return None, ZERO_INITIAL[name]
    for initial in ("zh", "ch", "sh"):
        if name.startswith(initial):
            rest = name[2:]
            break
    else:
        if name[0] in INITIALS and name != "ng":
            initial, rest = name[0], name[1:]
        else:
            return None, name
    if initial in ("zh", "ch", "sh", "r", "z", "c", "s") and rest == "i":
        rest = "-i"
    elif initial in ("j", "q", "x") and rest.startswith("u"):
        rest = "v" + rest[1:]
    rest = ABBREVIATED.get(rest, rest)
    if initial in ("j", "q", "x") and rest == "uen":
        rest = "vn"
    return initial, rest


def row(name):
    initial, final = split(name)
    text, erhua, nucleus, extra = FINALS[final]
    prefix, change = INITIALS[initial] if initial else ("", 0)
    length = max(180, min(320, nucleus + 20 * extra + change))
    return length, prefix + text, (prefix + erhua) if erhua else ""


def hexes(s):
    return " ".join("%02X" % ord(c) for c in s)


def escape(s):
    return s.replace("\\", "\\\\").replace('"', '\\"')


def main():
    assert len(NAMES) == 410 and len(set(NAMES)) == 410
    assert NAMES == sorted(NAMES, key=lambda n: (len(n), n))
    for name, (length, text, erhua) in TELLING.items():
        got = row(name)
        assert got[0] == length and hexes(got[1]) == text, (name, got)
        assert (hexes(got[2]) if got[2] else None) == erhua, (name, got)
    print("// Generated by tools/gen_kvc_syllables.py; do not edit.")
    print("// {name, default length [ms], phoneme text, erhua text (empty: none)}")
    for name in NAMES:
        length, text, erhua = row(name)
        assert len(text) <= 10 and len(erhua) <= 10, name
        print('{"%s", %d, "%s", "%s"},' % (name, length, escape(text), escape(erhua)))


if __name__ == "__main__":
    main()
