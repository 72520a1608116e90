// Draws recorded frames with WebGL 2: owns the context, the shader programs (one per
// texturing and fog mode), the vertex and index buffers and a WebGL texture per recorded
// texture. A frame's two arrays are uploaded once and its clears and draws replayed,
// setting only the WebGL state that changed. After the context is lost, every object is
// rebuilt from the program's own sources and the recorder's textures.
#pragma once

#include "platform/gl11/RecordedFrame.h"
#include "shell/Stage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class WebGlReplay {
public:
    // Makes the WebGL 2 context on the canvas `canvasSelector`, the shaders and the
    // buffers, and gives the canvas the drawing buffer size; false after one message.
    bool open(const char* canvasSelector);
    // Whether frames can be drawn: opened and the context not lost.
    bool usable() const { return opened && !lost; }

    // Uploads `frame` and replays its clears and draws, then brings the WebGL textures in
    // line with `textures` (the recorder's, by name, null where unused): each draw samples
    // the snapshot it was recorded with, and textures are uploaded at the first present
    // after they change, drawn or not.
    void replay(const RecordedFrame& frame,
                const std::vector<std::shared_ptr<const TextureSnapshot>>& textures);

    // Replays `frame` into an offscreen buffer of width x height (4:3), multisampled as
    // the drawing buffer is when `multisampled`, and reads it back into *rgba: opaque RGBA
    // rows, the top row first. The drawing buffer and what it shows are left alone. False
    // after one message (the context lost, a size WebGL cannot draw).
    bool drawPicture(const RecordedFrame& frame, int width, int height, bool multisampled,
                     std::vector<uint8_t>* rgba);

    // Asks for a multisampled drawing buffer; only before open, which reads it.
    bool multisampling = false;
    // The drawing buffer's size: the canvas's width and height attributes. Returns false
    // after one message when the size is not 4:3 or larger than WebGL can draw.
    bool setDrawingBufferSize(int width, int height);
    // GL_MAX_TEXTURE_SIZE of the context (GL's minimum before open).
    int maxTextureSize() const { return largestTexture; }

    // The context is gone: every WebGL object with it. Nothing is drawn until restored.
    void contextLost();
    // The context is back, empty: makes the programs and buffers again and uploads every
    // texture in `textures` (by name, null where unused). False after one message.
    bool contextRestored(const std::vector<std::shared_ptr<const TextureSnapshot>>& textures);

private:
    // One linked program per texturing and fog mode; each keeps the fog uniforms it was given.
    struct ShaderVariant {
        bool build(GLuint vertexShader, int textured, int fogMode);
        void setFog(const RasterState& state);
        GLuint program = 0;            // the linked program
        GLint fogColourLocation = -1;  // uniform locations
        GLint fogDensityLocation = -1;
        GLint fogStartLocation = -1;
        GLint fogEndLocation = -1;
        bool uniformsKnown = false;  // false until setFog has set all four
        float fogColour[3] = {};     // the uniforms' values as last set
        float fogDensity = 0.0f;
        float fogStart = 0.0f;
        float fogEnd = 0.0f;
    };
    // A recorded texture as WebGL has it.
    struct UploadedTexture {
        GLuint webGlName = 0;                       // 0: none made yet
        std::shared_ptr<const TextureImage> image;  // the image uploaded, kept alive to compare
        GLint minFilter = 0;                        // the parameters set; 0: not yet
        GLint magFilter = 0;
        GLint wrapS = 0;
        GLint wrapT = 0;
    };

    bool buildObjects();
    void drawCommands(const RecordedFrame& frame);
    void apply(const RasterState& state);
    // The WebGL texture holding `texture`, made, uploaded and set up as needed.
    GLuint prepareTexture(const TextureSnapshot& texture);
    void syncTextures(const std::vector<std::shared_ptr<const TextureSnapshot>>& recorded);
    void bindWebGlTexture(GLuint name);
    void applyDrawingBufferSize();

    static constexpr int kShaderFogModes = 4;    // none, linear, exp, exp2
    ShaderVariant variants[2][kShaderFogModes];  // [textured][fog mode]
    ShaderVariant* current = nullptr;            // the program in use
    RasterState applied;                         // what WebGL currently has
    bool appliedKnown = false;                   // false until the first apply sets every field
    GLuint boundTexture = 0;                     // the WebGL texture bound to GL_TEXTURE_2D
    std::vector<UploadedTexture> textures;       // by recorder name
    GLuint vertexArray = 0;                      // the one vertex array object
    GLuint vertexBuffer = 0;                     // the frame's vertices
    GLuint indexBuffer = 0;                      // the frame's triangles
    std::string canvas;                          // the canvas's selector
    int context = 0;                             // Emscripten's handle of the WebGL context
    bool opened = false;                         // open has succeeded
    bool lost = false;                           // the context is lost
    int bufferWidth = kStageWidth;               // the drawing buffer's size
    int bufferHeight = kStageHeight;
    int largestBuffer = 0;    // the largest drawing buffer side WebGL takes; 0 before open
    int largestTexture = 64;  // GL_MAX_TEXTURE_SIZE
    int bufferSamples = 0;    // GL_SAMPLES of the drawing buffer; 0: not multisampled
};
