#!/usr/bin/env python3
"""Packs a folder into a zip that is the same, byte for byte, wherever and whenever it is
made from the same files: entries sorted by name, every time the given one, modes fixed
(0755 for folders and for files executable in the folder, 0644 for the rest), no extra
fields and no comment. Each file is deflated unless that does not make it smaller.

  pack.py FOLDER ZIP EPOCH     the zip holds FOLDER's own name as its top folder
"""
import os
import stat
import sys
import time
import zipfile
import zlib

from failure import fail

# What zipfile's own deflate uses: raw deflate at the best level.
LEVEL = 9
UNIX = 3   # "made by" a Unix system, so unzip applies the modes
DIRECTORY_MODE = 0o755
EXECUTABLE_MODE = 0o755
FILE_MODE = 0o644
MSDOS_DIRECTORY = 0x10
# The zip's timestamps are in DOS form, from 1980 on, to the even second.
EARLIEST_EPOCH = 315532800


def entries(folder):
    """(name inside the zip, path on disk) for the folder and all under it, sorted by name."""
    top = os.path.basename(os.path.normpath(folder))
    found = [(top + '/', folder)]
    for parent, folders, files in os.walk(folder):
        inside = os.path.relpath(parent, folder)
        prefix = top + '/' + ('' if inside == '.' else inside.replace(os.sep, '/') + '/')
        for name in folders:
            if os.path.islink(os.path.join(parent, name)):
                fail(f'{os.path.join(parent, name)} is a link; the zip holds only files')
            found.append((prefix + name + '/', os.path.join(parent, name)))
        for name in files:
            path = os.path.join(parent, name)
            if os.path.islink(path) or not os.path.isfile(path):
                fail(f'{path} is not a plain file')
            found.append((prefix + name, path))
    return sorted(found, key=lambda entry: entry[0].encode('utf-8'))


def pack(folder, out, epoch):
    when = time.gmtime(max(epoch, EARLIEST_EPOCH))[:6]
    partial = out + '.partial'
    with zipfile.ZipFile(partial, 'w') as archive:
        for name, path in entries(folder):
            info = zipfile.ZipInfo(name, date_time=when)
            info.create_system = UNIX
            if name.endswith('/'):
                info.external_attr = (stat.S_IFDIR | DIRECTORY_MODE) << 16 | MSDOS_DIRECTORY
                archive.writestr(info, b'')
                continue
            with open(path, 'rb') as source:
                data = source.read()
            executable = os.stat(path).st_mode & stat.S_IXUSR
            info.external_attr = (stat.S_IFREG | (EXECUTABLE_MODE if executable else FILE_MODE)) << 16
            squeezer = zlib.compressobj(LEVEL, zlib.DEFLATED, -zlib.MAX_WBITS)
            deflated = len(squeezer.compress(data) + squeezer.flush())
            info.compress_type = zipfile.ZIP_DEFLATED if deflated < len(data) else zipfile.ZIP_STORED
            archive.writestr(info, data, compresslevel=LEVEL)
    os.replace(partial, out)


def report(out):
    """Each part of the zip, as the release notes name them: a file or folder at the top."""
    parts = {}
    with zipfile.ZipFile(out) as archive:
        for info in archive.infolist():
            names = info.filename.split('/')  # top folder, then the part's own name
            part = names[1] + '/' if len(names) > 2 else names[1]
            files, size, packed = parts.get(part, (0, 0, 0))
            parts[part] = (files + (not info.is_dir()), size + info.file_size,
                           packed + info.compress_size)
    print(f'{"part":<28}{"files":>6}{"bytes":>12}{"in the zip":>12}')
    for part, (files, size, packed) in sorted(parts.items()):
        if files:
            print(f'{part:<28}{files:>6}{size:>12}{packed:>12}')


def main():
    if len(sys.argv) != 4 or not sys.argv[3].isdigit():
        print('usage: pack.py FOLDER ZIP EPOCH', file=sys.stderr)
        return 2
    folder, out, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if not os.path.isdir(folder):
        fail(f'no folder {folder} to pack')
    pack(folder, out, epoch)
    report(out)
    return 0


if __name__ == '__main__':
    sys.exit(main())
