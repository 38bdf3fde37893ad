"""Writes the mobile prefix table of mainland China from libphonenumber's data.

    gen_prefix_table.py OUTPUT.tsv

One row per 7-digit mobile prefix that the "zh" geocoding data places in a city:
phone, province, city, corp, areacode, zipcode (always empty), tab-separated, with a header
line, the format tamberlink-attribution imports. Province and city lose their suffixes
(四川省成都市 gives 四川 and 成都, 北京市 gives 北京 and 北京); the carrier is the "zh"
carrier name; the area code is that of the landline prefix whose place names the same city.
"""
import os
import sys

from phonenumbers.carrierdata import CARRIER_DATA
from phonenumbers.geodata import GEOCODE_DATA

COUNTRY = "86"
PREFIX_DIGITS = 7
MUNICIPALITIES = ("北京", "上海", "天津", "重庆")
# Autonomous regions, named in the data without "自治区".
REGIONS = ("内蒙古", "广西", "西藏", "宁夏", "新疆")
REGION_SUFFIXES = ("维吾尔自治区", "壮族自治区", "回族自治区", "自治区")
# Peoples named in the names of autonomous prefectures (凉山彝族自治州 is 凉山).
PEOPLES = ("布依族", "土家族", "景颇族", "哈尼族", "傈僳族", "朝鲜族", "蒙古族", "彝族", "藏族",
           "羌族", "苗族", "侗族", "傣族", "白族", "壮族", "回族", "柯尔克孜", "哈萨克", "蒙古")
CITY_SUFFIXES = ("自治州", "地区", "林区", "盟", "市")
# Misspellings of the landline data, by the spelling of the mobile data.
CITY_SPELLINGS = {"株州": "株洲"}


def is_mobile_key(key):
    return key.startswith(COUNTRY + "1") and len(key) > 3 and key[3] in "3456789"


def clean_city(name):
    for suffix in CITY_SUFFIXES:
        if name.endswith(suffix) and len(name) > len(suffix):
            name = name[: -len(suffix)]
            break
    stripped = True
    while stripped:
        stripped = False
        for people in PEOPLES:
            if name.endswith(people) and len(name) > len(people):
                name = name[: -len(people)]
                stripped = True
    return CITY_SPELLINGS.get(name, name)


def split_place(text):
    """(province, [cities]) of a geocoding text, or None when it names no province."""
    text = text.strip()
    for city in MUNICIPALITIES:
        if text in (city, city + "市"):
            return city, [city]
    if "省" in text:
        province, rest = text.split("省", 1)
    else:
        region = next((r for r in REGIONS if text.startswith(r)), None)
        if region is None:
            return None
        province, rest = region, text[len(region):]
        for suffix in REGION_SUFFIXES:
            if rest.startswith(suffix):
                rest = rest[len(suffix):]
                break
    cities = [clean_city(c) for c in rest.split("、") if c]
    return province, cities


def zh(entry):
    return entry.get("zh", "") if entry else ""


def is_area_code(digits):
    """Area codes are 10 and 20 to 29, or three digits; a shorter key names a range."""
    if len(digits) == 2:
        return digits == "10" or digits[0] == "2"
    return len(digits) == 3


def landline_codes():
    """{(province, city): area code}: a city listed first under a code wins over one listed
    later, and a lower code over a higher one."""
    best = {}
    for key in sorted(GEOCODE_DATA):
        digits = key[len(COUNTRY):]
        if not key.startswith(COUNTRY) or is_mobile_key(key) or not is_area_code(digits):
            continue
        place = split_place(zh(GEOCODE_DATA[key]))
        if place is None:
            continue
        province, cities = place
        for rank, city in enumerate(cities):
            choice = (rank > 0, key)
            if (province, city) not in best or choice < best[(province, city)]:
                best[(province, city)] = choice
    return {place: "0" + key[len(COUNTRY):] for place, (_, key) in best.items()}


def longest_match(data, digits):
    for length in range(len(digits), 0, -1):
        entry = data.get(COUNTRY + digits[:length])
        if entry is not None:
            return entry
    return None


def mobile_places():
    """{7-digit prefix: geocoding text} with the longest key of the data deciding."""
    keys = [k for k in GEOCODE_DATA
            if is_mobile_key(k) and len(k) <= len(COUNTRY) + PREFIX_DIGITS]
    places = {}
    for key in sorted(keys, key=len):
        digits = key[len(COUNTRY):]
        spread = PREFIX_DIGITS - len(digits)
        text = zh(GEOCODE_DATA[key])
        for tail in range(10 ** spread):
            prefix = digits + (str(tail).zfill(spread) if spread else "")
            places[prefix] = text
    return places


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gen_prefix_table.py OUTPUT.tsv")
    output = sys.argv[1]
    codes = landline_codes()
    rows = []
    for prefix, text in sorted(mobile_places().items()):
        place = split_place(text)
        if place is None or not place[1]:
            continue
        province, city = place[0], place[1][0]
        corp = zh(longest_match(CARRIER_DATA, prefix))
        rows.append((prefix, province, city, corp, codes.get((province, city), ""), ""))
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    temp = output + ".tmp"
    with open(temp, "w", encoding="utf-8", newline="\n") as f:
        f.write("phone\tprovince\tcity\tcorp\tareacode\tzipcode\n")
        for row in rows:
            f.write("\t".join(row) + "\n")
    os.replace(temp, output)


if __name__ == "__main__":
    main()
