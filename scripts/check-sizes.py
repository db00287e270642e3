#!/usr/bin/env python3
"""Fails, naming each, on a source file under src/ longer than 450 lines, a function longer
than 100 lines, or a .cpp that does not open with a comment saying what it is for.
    scripts/check-sizes.py [SRC_DIR]
Functions are found by their braces (comments, strings and raw strings left out): a block
whose head has a parameter list and is not a namespace, class, struct, enum or initialiser.
A lambda or a local class counts as part of the function around it."""
import os
import re
import sys

FILE_LIMIT = 450
FUNCTION_LIMIT = 100


def digit_separator(text, i):
    """The quote at i stands inside a number (1'000'000), not before a character."""
    j = i
    while j > 0 and (text[j - 1].isalnum() or text[j - 1] == '_'):
        j -= 1
    return j < i and text[j].isdigit()


def blank_out(text):
    """The text with comments and literals turned into spaces, lines kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
        elif text.startswith('R"', i) and re.match(r'R"([^(\s]*)\(', text[i:]):
            delimiter = re.match(r'R"([^(\s]*)\(', text[i:]).group(1)
            j = text.find(')' + delimiter + '"', i)
            j = n if j < 0 else j + len(delimiter) + 2
        elif text[i] in '"\'' and not (text[i] == "'" and digit_separator(text, i)):
            j = i + 1
            while j < n and text[j] != text[i] and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j += 1
        else:
            out.append(text[i])
            i += 1
            continue
        out.append(re.sub(r'[^\n]', ' ', text[i:j]))
        i = j
    return ''.join(out)


def long_functions(text):
    code = blank_out(text)
    stack, head_start, line = [], 0, 1
    for i, c in enumerate(code):
        if c == '\n':
            line += 1
        elif c == ';':
            head_start = i + 1
        elif c == '{':
            head = code[head_start:i]
            inside = any(kind == 'function' for kind, _, _ in stack)
            kind = 'block'
            if (not inside and ')' in head
                    and not re.search(r'\b(namespace|class|struct|enum|union)\b[^()]*$', head)
                    and not head.rstrip().endswith('=')):
                kind = 'function'
            stack.append((kind, line, head))
            head_start = i + 1
        elif c == '}':
            if stack:
                kind, first, head = stack.pop()
                if kind == 'function' and line - first + 1 > FUNCTION_LIMIT:
                    yield first, line - first + 1, re.sub(r'\s+', ' ', head.strip())[-70:]
            head_start = i + 1


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'src')
    bad = 0
    for folder, _, names in sorted(os.walk(src)):
        for name in sorted(names):
            if not name.endswith(('.h', '.cpp', '.c')):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src)
            with open(path, encoding='utf-8', errors='replace') as f:
                text = f.read()
            lines = text.count('\n')
            if lines > FILE_LIMIT:
                print(f'sizes: {rel}: {lines} lines, more than {FILE_LIMIT}')
                bad += 1
            if name.endswith('.cpp') and not text.lstrip().startswith(('//', '/*')):
                print(f'sizes: {rel}: does not open with a comment on what it is for')
                bad += 1
            for first, count, head in long_functions(text):
                print(f'sizes: {rel}:{first}: a function of {count} lines, more than {FUNCTION_LIMIT}: {head}')
                bad += 1
    if bad:
        print(f'sizes: {bad} finding(s)')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
