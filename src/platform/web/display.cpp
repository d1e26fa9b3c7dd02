#include "platform/web/display.h"

#include <GLES2/gl2.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cstdio>
#include <cstring>

#include "display/convert.h"
#include "frame/frame.h"

static bool QuitRequested = false;
static GLuint FrameTexture = 0;
static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE Context = 0;
// True from the browser's webglcontextlost until its webglcontextrestored has rebuilt the state.
static bool ContextLost = false;

// The 5-6-5 texture samples as value/31 and value/63; the shader scales them by the fractions the
// desktop shows (display/convert.h), handed to it as the uniform levels.
static const char* VertexShader = R"(
attribute vec2 corner;
attribute vec2 texel;
varying vec2 uv;
void main() { uv = texel; gl_Position = vec4(corner, 0.0, 1.0); }
)";
static const char* FragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D frame;
varying vec2 uv;
uniform vec3 levels;
void main() { gl_FragColor = vec4(texture2D(frame, uv).rgb * levels, 1.0); }
)";

// Canvas corners as a triangle strip (bottom left, bottom right, top left, top right) with the
// texel each shows: buffer row 0 lands on the right edge, buffer column 0 on the top edge. Texture
// row t is buffer row t, as uploaded.
static const float Quad[4][4] = {
    {-1, -1, 1, 1},
    {1, -1, 1, 0},
    {-1, 1, 0, 1},
    {1, 1, 0, 0},
};

static EM_BOOL KeyDown(int, const EmscriptenKeyboardEvent* e, void*)
{
    if (std::strcmp(e->key, "Escape") == 0) {
        QuitRequested = true;
        return EM_TRUE;
    }
    return EM_FALSE;
}

static bool Fail(std::string* error, const char* what)
{
    *error = what;
    return false;
}

static GLuint Compile(GLenum type, const char* source)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

// Makes the shader, the quad and the frame texture in the current context and shows black: once
// at the start and again after a lost context comes back, which keeps none of them.
static bool BuildGlState(std::string* error)
{
    const GLuint vertex = Compile(GL_VERTEX_SHADER, VertexShader);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, FragmentShader);
    if (vertex == 0 || fragment == 0)
        return Fail(error, "WebGL cannot compile the display shader");
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, 0, "corner");
    glBindAttribLocation(program, 1, "texel");
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked)
        return Fail(error, "WebGL cannot link the display shader");
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "frame"), 0);
    const auto level = [](uint32_t top) { return static_cast<float>(top) / static_cast<float>(TexelFullScale); };
    glUniform3f(glGetUniformLocation(program, "levels"), level(RedTexelTop), level(GreenTexelTop), level(BlueTexelTop));

    GLuint quad = 0;
    glGenBuffers(1, &quad);
    glBindBuffer(GL_ARRAY_BUFFER, quad);
    glBufferData(GL_ARRAY_BUFFER, sizeof Quad, Quad, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof Quad[0], nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof Quad[0], reinterpret_cast<const void*>(2 * sizeof(float)));

    // Rows of 480 bytes: the default unpack alignment of 4 fits.
    glGenTextures(1, &FrameTexture);
    glBindTexture(GL_TEXTURE_2D, FrameTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, BufferWidth, BufferHeight, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, nullptr);
    if (glGetError() != GL_NO_ERROR)
        return Fail(error, "WebGL cannot make the frame texture");

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

// The browser takes the context away (a GPU reset, a driver update, a phone short of memory).
// Preventing the default asks for it back; meanwhile nothing is drawn, while the show's clock and
// its sound go on.
static EM_BOOL ContextLostEvent(int, const void*, void*)
{
    ContextLost = true;
    return EM_TRUE;
}

// The context is back, empty: the state is made again and the frame drawn last is shown at once.
static EM_BOOL ContextRestoredEvent(int, const void*, void*)
{
    std::string error;
    if (!BuildGlState(&error)) {
        std::fprintf(stderr, "the picture cannot come back: %s\n", error.c_str());
        return EM_TRUE;
    }
    ContextLost = false;
    PresentWebFrame();
    return EM_TRUE;
}

bool CreateWebDisplay(std::string* error)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    Context = emscripten_webgl_create_context("#canvas", &attributes);
    if (Context <= 0 || emscripten_webgl_make_context_current(Context) != EMSCRIPTEN_RESULT_SUCCESS)
        return Fail(error, "this browser gives no WebGL");
    ContextLost = false;
    if (!BuildGlState(error))
        return false;
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, ContextLostEvent);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, ContextRestoredEvent);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, KeyDown);
    return true;
}

void PresentWebFrame()
{
    // Between the loss and its event the context is already gone: checked too, so that no call
    // goes to it.
    if (ContextLost || emscripten_is_webgl_context_lost(Context))
        return;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, BufferWidth, BufferHeight, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, Framebuffer);
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    glViewport(0, 0, width, height);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

bool PollWebQuit()
{
    const bool quit = QuitRequested;
    QuitRequested = false;
    return quit;
}

void ShowWebMessage(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    EM_ASM({ if (Module.showMessage) Module.showMessage(UTF8ToString($0)); }, text);
}

bool PumpWebMessage() { return false; }
