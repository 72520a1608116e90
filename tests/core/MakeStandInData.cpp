// Writes the stand-in images, and a short tone as the music, into FOLDER/data, for tests
// that run the real binary. The mixer knows music by content, so a WAV serves.
#include "TestSupport.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_standin_data FOLDER\n");
        return 2;
    }
    writeStandInData(argv[1]);
    writeSquareWav(std::string(argv[1]) + "/data/quorvane.mp3", 22050);
    return 0;
}
