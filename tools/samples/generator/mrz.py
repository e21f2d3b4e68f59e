"""Machine-readable zones (ICAO 9303 parts 4 and 5) and the MRZ information of BAC."""

WEIGHTS = (7, 3, 1)


def char_value(c):
    if c == "<":
        return 0
    if c.isdigit():
        return int(c)
    if "A" <= c <= "Z":
        return ord(c) - ord("A") + 10
    raise ValueError(f"not an MRZ character: {c!r}")


def check_digit(field):
    return str(sum(char_value(c) * WEIGHTS[i % 3] for i, c in enumerate(field)) % 10)


def padded(text, width):
    text = text.upper().replace(" ", "<")
    if len(text) > width:
        raise ValueError(f"{text!r} is longer than {width} characters")
    return text + "<" * (width - len(text))


def yymmdd(iso_date):
    year, month, day = iso_date.split("-")
    return year[2:] + month + day


def name_field(doc, width):
    return padded(doc["surname"] + "<<" + doc["given_names"], width)


def optional_check_digit(field):
    # An all-filler optional field may carry a filler as its check digit.
    return "<" if set(field) == {"<"} else check_digit(field)


def td3_lines(doc):
    number = padded(doc["document_number"], 9)
    birth = yymmdd(doc["date_of_birth"])
    expiry = yymmdd(doc["date_of_expiry"])
    optional = padded(doc["optional_data"], 14)
    line1 = padded(doc["document_code"], 2) + doc["issuing_state"] + name_field(doc, 39)
    line2 = (number + check_digit(number) + doc["nationality"] + birth + check_digit(birth) + doc["sex"]
             + expiry + check_digit(expiry) + optional + optional_check_digit(optional))
    composite = line2[0:10] + line2[13:20] + line2[21:43]
    return [line1, line2 + check_digit(composite)]


def td1_lines(doc):
    number = padded(doc["document_number"], 9)
    birth = yymmdd(doc["date_of_birth"])
    expiry = yymmdd(doc["date_of_expiry"])
    line1 = (padded(doc["document_code"], 2) + doc["issuing_state"] + number + check_digit(number)
             + padded(doc["optional_data"], 15))
    line2 = birth + check_digit(birth) + doc["sex"] + expiry + check_digit(expiry) + doc["nationality"] + "<" * 11
    composite = line1[5:30] + line2[0:7] + line2[8:15] + line2[18:29]
    return [line1, line2 + check_digit(composite), name_field(doc, 30)]


FORMATS = {"TD3": td3_lines, "TD1": td1_lines}


def mrz_lines(doc):
    return FORMATS[doc["format"]](doc)


def mrz_information(doc):
    number = padded(doc["document_number"], 9)
    birth = yymmdd(doc["date_of_birth"])
    expiry = yymmdd(doc["date_of_expiry"])
    return number + check_digit(number) + birth + check_digit(birth) + expiry + check_digit(expiry)
