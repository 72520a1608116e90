#!/usr/bin/env python3
"""The release's texts: quorvane.nfo and file_id.diz, written from the templates beside this
file, with the credits and greetings taken from what the cards say (quorvane-artgen
--card-text), so the names are the ones the show draws. With --check it only holds files
to the limits those texts keep.

  texts.py write --version V --cards CARD_TEXT --video-command CMD --still-command CMD
                --small-still-command CMD OUT_DIR
  texts.py check FILE...
"""
import argparse
import os
import re
import sys
import textwrap

from failure import fail

HERE = os.path.dirname(os.path.abspath(__file__))

# Plain ASCII in both; an .nfo fits an 80-column text screen, a file_id.diz the
# 10 lines of 45 columns that listings show.
LIMITS = {
    'quorvane.nfo': {'columns': 80, 'lines': None},
    'file_id.diz': {'columns': 45, 'lines': 10},
}
# Both are read on DOS and Windows first.
LINE_END = '\r\n'
INDENT = '  '
CREDIT_INDENT = '      '
CREDIT_DOTS_TO = 24      # the column where the names of the credits start
COMMAND_INDENT = ' ' * 14
COMMAND_WIDTH = 78       # a command's lines with their " \" continuation
NFO_TEXT_WIDTH = 76


def read_cards(path):
    """[(file, caption, name)] in the cards' order."""
    blocks = []
    with open(path, encoding='ascii') as lines:
        for number, line in enumerate(lines, 1):
            fields = line.rstrip('\n').split('\t')
            if len(fields) != 3 or not all(fields):
                fail(f'{path}:{number}: not FILE<tab>CAPTION<tab>NAME: {line!r}')
            blocks.append(tuple(fields))
    return blocks


def credits_lines(blocks):
    lines = []
    for file, caption, name in blocks:
        if file.startswith('credits'):
            lead = f'{CREDIT_INDENT}{caption} '
            lines.append(lead + '.' * max(2, CREDIT_DOTS_TO - len(lead) - 1) + ' ' + name)
    if not lines:
        fail('the cards name no credits')
    return lines


def greetings_lines(blocks):
    greetings = [(caption, name) for file, caption, name in blocks if file.startswith('greet')]
    if not greetings:
        fail('the cards hold no greetings')
    captions = sorted({caption for caption, _ in greetings})
    names = [name for _, name in greetings]
    listed = ', '.join(names[:-1]) + ' and ' + names[-1] if len(names) > 1 else names[0]
    # Every greetings card carries the same caption; the text says it once.
    text = ' / '.join(captions) + ' ' + listed + '.'
    return textwrap.wrap(text, NFO_TEXT_WIDTH, initial_indent=INDENT, subsequent_indent=INDENT,
                         break_on_hyphens=False)


def command_lines(command):
    """A shell command broken into lines with backslash continuations, indented."""
    words = command.split()
    lines, line = [], COMMAND_INDENT
    for word in words:
        candidate = word if line.strip() == '' else line + ' ' + word
        if line.strip() and len(COMMAND_INDENT + candidate.strip()) + 2 > COMMAND_WIDTH:
            lines.append(line + ' \\')
            line = COMMAND_INDENT + '    ' + word
        else:
            line = candidate if line.strip() else COMMAND_INDENT + word
    lines.append(line)
    return lines


def problems(name, text):
    """What breaks the limits of the text called name, one line each."""
    limits = LIMITS[name]
    found = []
    try:
        text.encode('ascii')
    except UnicodeEncodeError as error:
        found.append(f'{name}: not plain ASCII at byte {error.start}')
    lines = text.split(LINE_END)
    if lines and lines[-1] == '':
        lines.pop()
    for number, line in enumerate(lines, 1):
        if len(line) > limits['columns']:
            found.append(f'{name}:{number}: {len(line)} columns, more than {limits["columns"]}')
        if any(ord(c) < 32 or ord(c) == 127 for c in line):
            found.append(f'{name}:{number}: a control character (a tab, or a line not ended by CR LF)')
    if limits['lines'] is not None and len(lines) > limits['lines']:
        found.append(f'{name}: {len(lines)} lines, more than {limits["lines"]}')
    return found


def fill(template, values):
    with open(os.path.join(HERE, template), encoding='ascii') as source:
        text = source.read()
    for key, lines in values.items():
        # A placeholder alone on its line takes a block of lines; inside a line, one word.
        text = text.replace(f'@{key}@', '\n'.join(lines) if isinstance(lines, list) else lines)
    unknown = re.search(r'@[A-Z_]+@', text)
    if unknown:
        fail(f'{template} has a placeholder nothing fills: {unknown.group(0)}')
    return text.replace('\n', LINE_END)


def write(arguments):
    blocks = read_cards(arguments.cards)
    values = {
        'VERSION': arguments.version,
        'CREDITS': credits_lines(blocks),
        'GREETINGS': greetings_lines(blocks),
        'VIDEO_COMMAND': command_lines(arguments.video_command),
        'STILL_COMMAND': command_lines(arguments.still_command),
        'SMALL_STILL_COMMAND': command_lines(arguments.small_still_command),
    }
    for name in LIMITS:
        text = fill(name + '.in', values)
        found = problems(name, text)
        if found:
            fail('; '.join(found))
        with open(os.path.join(arguments.out, name), 'w', encoding='ascii', newline='') as out:
            out.write(text)


def check(arguments):
    found = []
    for path in arguments.files:
        try:
            with open(path, 'rb') as source:
                data = source.read()
        except OSError as error:
            fail(f'cannot read {path}: {error.strerror}')
        found += problems(os.path.basename(path), data.decode('latin-1'))
    for line in found:
        print(f'quorvane release: {line}', file=sys.stderr)
    return 1 if found else 0


def main():
    parser = argparse.ArgumentParser(description='The release\'s .nfo and file_id.diz.')
    commands = parser.add_subparsers(dest='command', required=True)
    writing = commands.add_parser('write')
    writing.add_argument('--version', required=True)
    writing.add_argument('--cards', required=True, help='quorvane-artgen --card-text output')
    writing.add_argument('--video-command', required=True)
    writing.add_argument('--still-command', required=True)
    writing.add_argument('--small-still-command', required=True)
    writing.add_argument('out')
    checking = commands.add_parser('check')
    checking.add_argument('files', nargs='+')
    arguments = parser.parse_args()
    if arguments.command == 'write':
        write(arguments)
        return 0
    return check(arguments)


if __name__ == '__main__':
    sys.exit(main())
