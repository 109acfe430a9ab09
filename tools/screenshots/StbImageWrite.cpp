// The one definition of stb_image_write's functions in the tool.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
