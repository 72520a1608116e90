"""The release scripts' one way to stop: one line on stderr, then status 1."""
import sys


def fail(message):
    print(f'quorvane release: {message}', file=sys.stderr)
    sys.exit(1)
