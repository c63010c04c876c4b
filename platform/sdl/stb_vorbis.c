// stb_vorbis, the Ogg Vorbis decoder of builds without libsndfile
// (audio_sampled_file.h): Debian's libstb-dev ships it as one header that holds
// its implementation, compiled once here.
#include <stb_vorbis.h>
