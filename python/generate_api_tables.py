#!/usr/bin/env python3
"""Reads the public headers and writes the tables the Python module is built from:
the docstring of every member function (the comment block right above it, which
serves the group of declarations it heads) and every enumerator of every enum.

usage: generate_api_tables.py OUTPUT.inc HEADER...
"""
import re
import sys

CLASS_RE = re.compile(r"^(?:class|struct)\s+(\w+)\b[^;]*$")
ENUM_RE = re.compile(r"^enum\s+(class\s+)?(\w+)\s*:\s*int32_t\s*\{")
ENUMERATOR_RE = re.compile(r"^\s*(\w+)\s*(?:=[^,]*)?,?\s*(?://.*)?$")
METHOD_RE = re.compile(r"^\s*(?:static\s+|virtual\s+|explicit\s+)*[\w:<>,\s&*]+?[\s&*](\w+)\s*\(")


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def read_header(path, docs, enums):
    stem = path.rsplit("/", 1)[-1].split(".")[0]
    file_comment = None  # the file's opening comment documents its class
    cls = None
    group_comment = []  # heads the declarations up to the next blank line
    local_comment = []  # a comment inside a group serves the next declaration only
    comment = None  # the block being read
    after_declaration = False
    enum = None
    for raw in open(path, encoding="utf-8"):
        line = raw.strip()
        if enum is not None:
            if line.startswith("};"):
                enum = None
                continue
            match = ENUMERATOR_RE.match(line)
            if match and not line.startswith("//"):
                name, scoped = enum
                qualified = f"{name}::{match.group(1)}" if scoped else match.group(1)
                enums.append((name, match.group(1), qualified))
            continue
        match = ENUM_RE.match(line)
        if match:
            enum = (match.group(2), bool(match.group(1)))
            continue
        if line.startswith("//"):
            if comment is None:
                comment = []
                if after_declaration:
                    local_comment = comment
                else:
                    group_comment = comment
            comment.append(line[2:].strip())
            if file_comment is None:
                file_comment = comment
            continue
        comment = None
        if file_comment is None and not line.startswith("#"):
            file_comment = []
        if not line:
            group_comment, local_comment, after_declaration = [], [], False
            continue
        match = CLASS_RE.match(line)
        if match and line.endswith("{"):
            cls = match.group(1)
            if cls == stem and file_comment:
                docs.setdefault(cls, " ".join(file_comment))
            group_comment, local_comment, after_declaration = [], [], False
            continue
        if line.startswith("};"):
            cls = None
            continue
        if cls is None or line.startswith(("public:", "private:", "protected:", "friend")):
            continue
        match = METHOD_RE.match(raw)
        if match:
            text = local_comment or group_comment
            if text:
                docs.setdefault(f"{cls}.{match.group(1)}", " ".join(text))
            local_comment = []
        after_declaration = True


def main():
    output, headers = sys.argv[1], sys.argv[2:]
    docs, enums = {}, []
    for header in sorted(headers):
        read_header(header, docs, enums)
    with open(output, "w", encoding="utf-8") as out:
        out.write("// Generated from the public headers by python/generate_api_tables.py.\n")
        out.write("const DocEntry kDocs[] = {\n")
        for key in sorted(docs):
            out.write(f"    {{{c_string(key)}, {c_string(docs[key])}}},\n")
        out.write("};\n")
        out.write("const EnumEntry kEnums[] = {\n")
        for name, member, qualified in enums:
            out.write(f"    {{{c_string(name)}, {c_string(member)}, static_cast<int64_t>({qualified})}},\n")
        out.write("};\n")


if __name__ == "__main__":
    main()
