#!/usr/bin/env python3
"""gbk-literals.py SRC DST: copies a tree of C++ sources, writing every non-ASCII character of a
string literal as the octal escapes of its GBK bytes. clang takes no -fexec-charset=GBK, so the
fuzz build compiles this copy and gets the same bytes as gcc's GBK literals. Comments and other
text are copied as they are; files other than .h/.cpp are copied byte for byte."""
import os
import shutil
import sys


def escape(ch):
    return "".join("\\%03o" % b for b in ch.encode("gbk"))


def convert(text):
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(text[i:j])
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(text[i:j])
            i = j
        elif c == "'" and not (i and (text[i - 1].isalnum() or text[i - 1] == "_")):
            # a character literal (a digit separator follows a digit and is left alone)
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif c == '"':
            if i and text[i - 1] == "R":
                raise SystemExit("raw string literals are not supported")
            j = i + 1
            lit = ['"']
            while j < n and text[j] != '"':
                if text[j] == "\\":
                    lit.append(text[j:j + 2])
                    j += 2
                    continue
                lit.append(text[j] if ord(text[j]) < 128 else escape(text[j]))
                j += 1
            lit.append('"')
            # An octal escape ends after three digits, so a following digit is safe.
            out.append("".join(lit))
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    src, dst = sys.argv[1], sys.argv[2]
    for root, _, files in os.walk(src):
        rel = os.path.relpath(root, src)
        os.makedirs(os.path.join(dst, rel), exist_ok=True)
        for name in files:
            a, b = os.path.join(root, name), os.path.join(dst, rel, name)
            if name.endswith((".h", ".cpp")):
                with open(a, encoding="utf-8") as f:
                    new = convert(f.read())
                old = None
                if os.path.exists(b):
                    with open(b, encoding="utf-8") as f:
                        old = f.read()
                if new != old:  # untouched copies keep their time, so rebuilds stay incremental
                    with open(b, "w", encoding="utf-8") as f:
                        f.write(new)
            elif not os.path.exists(b) or os.path.getmtime(a) > os.path.getmtime(b):
                shutil.copy2(a, b)


if __name__ == "__main__":
    main()
