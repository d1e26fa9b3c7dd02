/* The stb image reader and writer, compiled into the program where no stb library exists to
   link against (Windows). */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
