// stb_image_resize2's implementation, in a file of its own so sanitizer
// exemptions for the library's internals stop at its edge.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize2.h>
