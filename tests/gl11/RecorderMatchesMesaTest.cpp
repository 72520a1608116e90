// The recorder against Mesa's own fixed function: random states and primitives go through
// both, and Mesa's answer comes back through feedback mode (window positions, lit and
// clamped colours, texture coordinates, and polygons after assembly and culling). Eye z,
// which the browser's fog is computed from, comes back as an eye-linear generated
// texture coordinate.
#include "platform/gl11/FixedFunction.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kStates = 2000;
constexpr uint64_t kSeed = 0x51756f7276616e65ull;
constexpr double kPositionBound = 0.01;       // window pixels
constexpr double kDepthBound = 1.0e-5;        // window depth, of the range 0..1
constexpr double kColourBound = 1.0 / 255.0;  // one step of an 8-bit channel
constexpr double kTexCoordBound = 1.0e-5;     // texture coordinates, passed through
constexpr double kEyeDistanceBound = 1.0e-4;  // eye units, of distances up to ~20
constexpr int kFeedbackFloats = 1 << 16;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
// A vertex is kept this far inside the clip volume, so neither GL clips a polygon.
constexpr double kInside = 0.95;

// splitmix64: our own numbers, so the demo's rand() sequence is left alone.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t next()
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    double uniform(double low, double high)
    {
        return low + (high - low) * double(next() >> 11) * 0x1.0p-53;
    }
    float uniformf(double low, double high) { return static_cast<float>(uniform(low, high)); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    bool chance(double p) { return uniform(0.0, 1.0) < p; }

private:
    uint64_t state;  // advances by the golden ratio's increment per number
};

// Every call goes to Mesa and to the recorder alike.
class Both {
public:
    explicit Both(FixedFunction& recorder) : r(recorder) {}
    void enable(GLenum cap, bool on)
    {
        if (on) glEnable(cap);
        else glDisable(cap);
        r.setCapability(cap, on);
    }
    void matrixMode(GLenum mode)
    {
        glMatrixMode(mode);
        r.selectMatrix(mode);
    }
    void loadIdentity()
    {
        glLoadIdentity();
        r.loadMatrix(identityMatrix());
    }
    void perspective(double fovy, double aspect, double zNear, double zFar)
    {
        gluPerspective(fovy, aspect, zNear, zFar);
        Matrix m;
        if (perspectiveMatrix(fovy, aspect, zNear, zFar, &m)) r.multiplyMatrix(m);
    }
    void translate(float x, float y, float z)
    {
        glTranslatef(x, y, z);
        r.multiplyMatrix(translationMatrix(x, y, z));
    }
    void rotate(float degrees, float x, float y, float z)
    {
        glRotatef(degrees, x, y, z);
        r.multiplyMatrix(rotationMatrix(degrees, x, y, z));
    }
    void scale(float x, float y, float z)
    {
        glScalef(x, y, z);
        Matrix m = identityMatrix();
        m.m[0] = x;
        m.m[5] = y;
        m.m[10] = z;
        r.multiplyMatrix(m);
    }
    void light(GLenum light, GLenum name, const float* values)
    {
        glLightfv(light, name, values);
        r.setLight(light, name, values);
    }
    void fog(GLenum name, float value)
    {
        glFogf(name, value);
        r.setFog(name, &value, 1);
    }
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height)
    {
        glViewport(x, y, width, height);
        GLint* v = r.rasterForChange().viewport;
        v[0] = x;
        v[1] = y;
        v[2] = width;
        v[3] = height;
    }
    void cullFace(GLenum mode)
    {
        glCullFace(mode);
        r.rasterForChange().cullMode = mode;
    }
    void frontFace(GLenum mode)
    {
        glFrontFace(mode);
        r.rasterForChange().frontFace = mode;
    }
    void colour(float red, float green, float blue, float alpha)
    {
        glColor4f(red, green, blue, alpha);
        r.setColour(red, green, blue, alpha);
    }
    void normal(float x, float y, float z)
    {
        glNormal3f(x, y, z);
        r.setNormal(x, y, z);
    }
    void texCoord(float s, float t)
    {
        glTexCoord2f(s, t);
        r.setTexCoord(s, t);
    }
    void begin(GLenum mode)
    {
        glBegin(mode);
        r.begin(mode);
    }
    void vertex(float x, float y, float z)
    {
        glVertex3f(x, y, z);
        r.vertex(x, y, z);
    }
    void end()
    {
        glEnd();
        r.end();
    }

private:
    FixedFunction& r;  // the recorder
};

// One vertex as feedback gives it: window x, y, z, colour, texture s, t and eye z.
struct Point {
    double window[3];
    double colour[4];
    double texCoord[2];
    double eyeDistance;
};
using Polygon = std::vector<Point>;

const GLenum kModes[] = {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN,
                         GL_QUADS,     GL_QUAD_STRIP,     GL_POLYGON};
const char* modeName(GLenum mode)
{
    switch (mode) {
    case GL_TRIANGLES: return "triangles";
    case GL_TRIANGLE_STRIP: return "triangle strip";
    case GL_TRIANGLE_FAN: return "triangle fan";
    case GL_QUADS: return "quads";
    case GL_QUAD_STRIP: return "quad strip";
    default: return "polygon";
    }
}

struct Vertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texCoord[2];
};

// The largest differences seen, over every state.
struct Worst {
    double position = 0.0;     // window pixels
    double depth = 0.0;        // window depth
    double colour = 0.0;       // of a channel, 0..1
    double texCoord = 0.0;     // s or t
    double eyeDistance = 0.0;  // eye units
};

// Triangles GL makes of `count` vertices of `mode`, before clipping and culling.
size_t assembled(GLenum mode, size_t count)
{
    switch (mode) {
    case GL_TRIANGLES: return count / 3;
    case GL_QUADS: return count / 4 * 2;
    default: return count - 2;
    }
}

class RecorderMatchesMesa : public ::testing::Test {
protected:
    Random random{kSeed};
    FixedFunction recorder;
    Both both{recorder};
    std::vector<GLfloat> feedback = std::vector<GLfloat>(kFeedbackFloats);
    Worst worst;          // the largest differences over every state
    size_t compared = 0;  // triangles compared
    size_t culled = 0;    // triangles both left out, culled as front or back faces

    // Clip coordinates of an object point under the recorder's matrices, in double.
    void clipOf(const float p[3], double clip[4]) const
    {
        const float* m = recorder.modelview().m;
        const float* q = recorder.projection().m;
        double eye[4];
        for (int r = 0; r < 4; ++r)
            eye[r] =
                m[r] * double(p[0]) + m[4 + r] * double(p[1]) + m[8 + r] * double(p[2]) + m[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = q[r] * eye[0] + q[4 + r] * eye[1] + q[8 + r] * eye[2] + q[12 + r] * eye[3];
    }
    bool inside(const float p[3]) const
    {
        double c[4];
        clipOf(p, c);
        const double w = c[3] * kInside;
        return c[3] > 0.0 && std::fabs(c[0]) < w && std::fabs(c[1]) < w && std::fabs(c[2]) < w;
    }

    void randomVertexAttributes(Vertex& v)
    {
        // Normals of any length: GL_NORMALIZE decides whether that shows.
        const double length = random.chance(0.5) ? 1.0 : random.uniform(0.3, 3.0);
        double n[3], sum = 0.0;
        do {
            sum = 0.0;
            for (double& c : n) {
                c = random.uniform(-1.0, 1.0);
                sum += c * c;
            }
        } while (sum < 0.01);
        for (int i = 0; i < 3; ++i)
            v.normal[i] = static_cast<float>(n[i] / std::sqrt(sum) * length);
        // Out of 0..1 at times, for the clamping.
        for (float& c : v.colour) c = random.uniformf(-0.2, 1.2);
        for (float& c : v.texCoord) c = random.uniformf(-2.0, 2.0);
    }

    // A point near the object-space origin that both GLs see inside the clip volume.
    void insidePoint(float p[3], double radius)
    {
        for (int attempt = 0;; ++attempt) {
            if (attempt % 50 == 49) radius /= 2.0;
            for (int i = 0; i < 3; ++i) p[i] = random.uniformf(-radius, radius);
            if (inside(p)) return;
        }
    }

    // The vertices of one primitive: free for triangles; planar and convex, with every
    // quad and polygon wound one way, where GL leaves the split of a shape open.
    std::vector<Vertex> primitiveVertices(GLenum mode)
    {
        std::vector<Vertex> out;
        int count = 0;
        switch (mode) {
        case GL_TRIANGLES: count = 3 * (1 + random.below(4)); break;
        case GL_TRIANGLE_STRIP:
        case GL_TRIANGLE_FAN: count = 3 + random.below(6); break;
        case GL_QUADS: count = 4 * (1 + random.below(3)); break;
        case GL_QUAD_STRIP: count = 4 + 2 * random.below(4); break;
        default: count = 3 + random.below(6); break;
        }
        out.resize(count);
        for (Vertex& v : out) randomVertexAttributes(v);
        if (mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN) {
            for (Vertex& v : out) insidePoint(v.position, 2.0);
            return out;
        }
        for (;;) {
            float centre[3], u[3], w[3];
            insidePoint(centre, 1.5);
            for (int i = 0; i < 3; ++i) {
                u[i] = random.uniformf(-0.8, 0.8);
                w[i] = random.uniformf(-0.8, 0.8);
            }
            auto place = [&](Vertex& v, double a, double b) {
                for (int i = 0; i < 3; ++i)
                    v.position[i] = static_cast<float>(centre[i] + a * u[i] + b * w[i]);
            };
            if (mode == GL_QUAD_STRIP) {
                // A ladder: each rung's two ends, rungs in order along u.
                const int rungs = count / 2;
                for (int k = 0; k < rungs; ++k) {
                    const double a = -1.0 + 2.0 * (k + random.uniform(0.1, 0.9)) / rungs;
                    place(out[2 * k], a, random.uniform(-1.0, -0.1));
                    place(out[2 * k + 1], a, random.uniform(0.1, 1.0));
                }
            } else {
                // Around an ellipse in increasing angle; quads four at a time.
                const int corners = mode == GL_QUADS ? 4 : count;
                for (int first = 0; first < count; first += corners) {
                    std::vector<double> angles(corners);
                    for (double& a : angles) a = random.uniform(0.0, 2.0 * M_PI);
                    std::sort(angles.begin(), angles.end());
                    for (int k = 0; k < corners; ++k)
                        place(out[first + k], std::cos(angles[k]), std::sin(angles[k]));
                }
            }
            bool all = true;
            for (const Vertex& v : out) all = all && inside(v.position);
            if (all) return out;
        }
    }

    // Mesa's polygons per primitive, split where the pass-through markers are.
    std::vector<std::vector<Polygon>> readFeedback(GLint used)
    {
        std::vector<std::vector<Polygon>> primitives;
        constexpr int kFloatsPerPoint = 4 + 4 + 4;  // GL_4D_COLOR_TEXTURE
        for (GLint i = 0; i < used;) {
            const GLint token = static_cast<GLint>(feedback[i++]);
            if (token == GL_PASS_THROUGH_TOKEN) {
                ++i;
                primitives.emplace_back();
            } else if (token == GL_POLYGON_TOKEN) {
                const int n = static_cast<int>(feedback[i++]);
                Polygon polygon(n);
                for (Point& p : polygon) {
                    const GLfloat* f = &feedback[i];
                    for (int k = 0; k < 3; ++k) p.window[k] = f[k];
                    for (int k = 0; k < 4; ++k) p.colour[k] = f[4 + k];
                    p.texCoord[0] = f[8];
                    p.texCoord[1] = f[9];
                    p.eyeDistance = std::fabs(f[10]);
                    i += kFloatsPerPoint;
                }
                if (primitives.empty()) primitives.emplace_back();
                primitives.back().push_back(polygon);
            } else {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
        }
        return primitives;
    }

    // The recorder's vertex as feedback would give it.
    Point pointOf(const RecordedVertex& v, const GLint viewport[4]) const
    {
        Point p;
        const double w = v.clip[3];
        p.window[0] = viewport[0] + (v.clip[0] / w + 1.0) * viewport[2] / 2.0;
        p.window[1] = viewport[1] + (v.clip[1] / w + 1.0) * viewport[3] / 2.0;
        p.window[2] = (v.clip[2] / w + 1.0) / 2.0;
        for (int k = 0; k < 4; ++k) p.colour[k] = v.colour[k];
        p.texCoord[0] = v.texCoord[0];
        p.texCoord[1] = v.texCoord[1];
        p.eyeDistance = v.fogDistance;
        return p;
    }

    // The largest differences between two points, kept in `worst` and returned as a
    // description when any is beyond its bound.
    std::string compare(const Point& mesa, const Point& ours)
    {
        double position = 0.0, depth = 0.0, colour = 0.0, tex = 0.0;
        for (int k = 0; k < 2; ++k)
            position = std::max(position, std::fabs(mesa.window[k] - ours.window[k]));
        depth = std::fabs(mesa.window[2] - ours.window[2]);
        for (int k = 0; k < 4; ++k)
            colour = std::max(colour, std::fabs(mesa.colour[k] - ours.colour[k]));
        for (int k = 0; k < 2; ++k)
            tex = std::max(tex, std::fabs(mesa.texCoord[k] - ours.texCoord[k]));
        const double eye = std::fabs(mesa.eyeDistance - ours.eyeDistance);
        worst.position = std::max(worst.position, position);
        worst.depth = std::max(worst.depth, depth);
        worst.colour = std::max(worst.colour, colour);
        worst.texCoord = std::max(worst.texCoord, tex);
        worst.eyeDistance = std::max(worst.eyeDistance, eye);
        if (position <= kPositionBound && depth <= kDepthBound && colour <= kColourBound &&
            tex <= kTexCoordBound && eye <= kEyeDistanceBound)
            return "";
        char text[512];
        std::snprintf(text, sizeof text,
                      "Mesa (%.4f %.4f %.6f | %.4f %.4f %.4f %.4f | %.4f %.4f | %.4f) recorder "
                      "(%.4f %.4f %.6f | %.4f %.4f %.4f %.4f | %.4f %.4f | %.4f)",
                      mesa.window[0], mesa.window[1], mesa.window[2], mesa.colour[0],
                      mesa.colour[1], mesa.colour[2], mesa.colour[3], mesa.texCoord[0],
                      mesa.texCoord[1], mesa.eyeDistance, ours.window[0], ours.window[1],
                      ours.window[2], ours.colour[0], ours.colour[1], ours.colour[2],
                      ours.colour[3], ours.texCoord[0], ours.texCoord[1], ours.eyeDistance);
        return text;
    }

    // Twice the signed area in window space: positive counter-clockwise.
    static double area(const Polygon& t)
    {
        return (t[1].window[0] - t[0].window[0]) * (t[2].window[1] - t[0].window[1]) -
               (t[2].window[0] - t[0].window[0]) * (t[1].window[1] - t[0].window[1]);
    }

    // Whether `point` is one of the six corners of `pair` (kept in `worst` when it is).
    bool among(const Point& point, const Polygon* pair, bool mesaFirst)
    {
        for (int t = 0; t < 2; ++t) {
            for (const Point& corner : pair[t]) {
                Worst kept = worst;
                if ((mesaFirst ? compare(corner, point) : compare(point, corner)).empty())
                    return true;
                worst = kept;
            }
        }
        return false;
    }

    // A quad's two triangles: GL leaves open which diagonal splits it, and Mesa takes the
    // other one. The quads drawn are planar and convex, so the same four corners wound the
    // same way cover the same pixels.
    std::string compareQuad(const Polygon* mesa, const Polygon* ours)
    {
        for (int t = 0; t < 2; ++t) {
            for (const Point& corner : ours[t])
                if (!among(corner, mesa, true))
                    return "a recorded corner is none of Mesa's: " + compare(mesa[0][0], corner);
            for (const Point& corner : mesa[t])
                if (!among(corner, ours, false))
                    return "a corner of Mesa's is none recorded: " + compare(corner, ours[0][0]);
        }
        const bool counterClockwise = area(mesa[0]) > 0.0;
        if ((area(mesa[1]) > 0.0) != counterClockwise ||
            (area(ours[0]) > 0.0) != counterClockwise || (area(ours[1]) > 0.0) != counterClockwise)
            return "the quad's triangles are wound apart";
        return "";
    }

    // Whether two triangles match, with `b` possibly starting at another corner but wound
    // the same way; the description of the differences otherwise.
    std::string compareTriangle(const Polygon& mesa, const Polygon& ours)
    {
        std::string best;
        for (int rotation = 0; rotation < 3; ++rotation) {
            std::string problem;
            Worst kept = worst;
            for (int k = 0; k < 3 && problem.empty(); ++k)
                problem = compare(mesa[k], ours[(k + rotation) % 3]);
            if (problem.empty()) return "";
            worst = kept;  // a wrong rotation's differences are not errors
            if (best.empty()) best = problem;
        }
        return best;
    }

    // Sets a random state in both, draws random primitives through both and compares;
    // returns what differs, empty when all matched.
    std::string runState(int index);
};

std::string RecorderMatchesMesa::runState(int index)
{
    // Projection: the demo's kind, and a viewport anywhere on the window.
    both.matrixMode(GL_PROJECTION);
    both.loadIdentity();
    const double nearPlane = random.uniform(0.5, 2.0);
    both.perspective(random.uniform(30.0, 90.0),
                     random.chance(0.5) ? 4.0 / 3.0 : random.uniform(0.6, 2.0), nearPlane,
                     random.uniform(40.0, 200.0));
    const GLsizei width = 200 + random.below(kWindowWidth - 200),
                  height = 150 + random.below(kWindowHeight - 150);
    both.viewport(random.below(kWindowWidth - width + 1), random.below(kWindowHeight - height + 1),
                  width, height);

    // Modelview: the light is placed under part of it, as the demo places LIGHT1 under its camera.
    both.matrixMode(GL_MODELVIEW);
    both.loadIdentity();
    both.translate(random.uniformf(-0.5, 0.5), random.uniformf(-0.5, 0.5),
                   -random.uniformf(nearPlane + 4.0, 12.0));
    const bool lighting = random.chance(0.75);
    both.enable(GL_LIGHTING, lighting);
    both.enable(GL_LIGHT0, random.chance(0.4));
    const bool light1 = random.chance(0.85);
    both.enable(GL_LIGHT1, light1);
    if (light1) {
        float ambient[4], diffuse[4], position[4];
        for (int i = 0; i < 3; ++i) {
            ambient[i] = random.uniformf(0.0, 0.6);
            diffuse[i] = random.uniformf(0.0, 1.0);
        }
        ambient[3] = diffuse[3] = 1.0f;
        if (random.chance(0.3)) {
            ambient[0] = ambient[1] = ambient[2] = 0.5f;  // the demo's own light
            diffuse[0] = diffuse[1] = diffuse[2] = 0.5f;
        }
        for (int i = 0; i < 3; ++i) position[i] = random.uniformf(-10.0, 10.0);
        // Directional (w 0) or positional (w 1, or another positive w).
        const int kind = random.below(3);
        position[3] = kind == 0 ? 0.0f : (kind == 1 ? 1.0f : random.uniformf(0.2, 3.0));
        both.light(GL_LIGHT1, GL_AMBIENT, ambient);
        both.light(GL_LIGHT1, GL_DIFFUSE, diffuse);
        both.light(GL_LIGHT1, GL_POSITION, position);
    }
    const float axis[3] = {random.uniformf(-1.0, 1.0), random.uniformf(-1.0, 1.0),
                           random.uniformf(-1.0, 1.0)};
    switch (random.below(3)) {
    case 0: both.rotate(random.uniformf(-360.0, 360.0), axis[0], axis[1], axis[2]); break;
    case 1:
        both.rotate(random.uniformf(-360.0, 360.0), 0.0f, random.chance(0.5) ? 1.0f : -1.0f, 0.0f);
        break;
    default: both.rotate(random.uniformf(-360.0, 360.0), 1.0f, 0.0f, 0.0f); break;
    }
    if (random.chance(0.6)) {
        const float s = random.uniformf(0.4, 2.0);
        if (random.chance(0.5)) both.scale(s, s, s);
        else both.scale(s, random.uniformf(0.4, 2.0), random.uniformf(0.4, 2.0));
        both.rotate(random.uniformf(-180.0, 180.0), axis[2], axis[0], axis[1]);
    }
    both.enable(GL_NORMALIZE, random.chance(0.5));

    // Fog changes no vertex: it must not disturb one either.
    const bool fog = random.chance(0.5);
    both.enable(GL_FOG, fog);
    if (fog) {
        const GLenum modes[] = {GL_LINEAR, GL_EXP, GL_EXP2};
        both.fog(GL_FOG_MODE, static_cast<float>(modes[random.below(3)]));
        both.fog(GL_FOG_DENSITY, random.uniformf(0.01, 0.2));
        both.fog(GL_FOG_START, random.uniformf(0.0, 5.0));
        both.fog(GL_FOG_END, random.uniformf(10.0, 60.0));
    }

    const bool cull = random.chance(0.6);
    both.enable(GL_CULL_FACE, cull);
    const GLenum cullModes[] = {GL_BACK, GL_BACK, GL_FRONT, GL_FRONT_AND_BACK};
    both.cullFace(cullModes[random.below(4)]);
    both.frontFace(random.chance(0.7) ? GL_CCW : GL_CW);

    // The primitives, each after a marker, through Mesa in feedback mode.
    const int primitiveCount = 1 + random.below(3);
    size_t made = 0;
    std::vector<GLenum> modes;
    std::vector<size_t> firstIndex;
    glFeedbackBuffer(kFeedbackFloats, GL_4D_COLOR_TEXTURE, feedback.data());
    glRenderMode(GL_FEEDBACK);
    recorder.startFrame();
    for (int p = 0; p < primitiveCount; ++p) {
        const GLenum mode = kModes[random.below(6)];
        const std::vector<Vertex> vertices = primitiveVertices(mode);
        glPassThrough(static_cast<GLfloat>(p));
        modes.push_back(mode);
        firstIndex.push_back(recorder.recorded().indices.size());
        made += assembled(mode, vertices.size());
        both.begin(mode);
        for (const Vertex& v : vertices) {
            both.normal(v.normal[0], v.normal[1], v.normal[2]);
            if (!lighting || random.chance(0.3))
                both.colour(v.colour[0], v.colour[1], v.colour[2], v.colour[3]);
            both.texCoord(v.texCoord[0], v.texCoord[1]);
            both.vertex(v.position[0], v.position[1], v.position[2]);
        }
        both.end();
    }
    firstIndex.push_back(recorder.recorded().indices.size());
    const GLint used = glRenderMode(GL_RENDER);
    if (used < 0) return "the feedback buffer overflowed";
    const std::vector<std::vector<Polygon>> mesa = readFeedback(used);
    if (static_cast<int>(mesa.size()) != primitiveCount) return "Mesa's feedback lost a marker";

    const RecordedFrame& frame = recorder.recorded();
    const GLint* viewport = recorder.rasterState().viewport;
    for (int p = 0; p < primitiveCount; ++p) {
        std::vector<Polygon> ours;
        for (size_t i = firstIndex[p]; i < firstIndex[p + 1]; i += 3) {
            ours.push_back({pointOf(frame.vertices[frame.indices[i]], viewport),
                            pointOf(frame.vertices[frame.indices[i + 1]], viewport),
                            pointOf(frame.vertices[frame.indices[i + 2]], viewport)});
        }
        const std::vector<Polygon>& theirs = mesa[p];
        char where[160];
        std::snprintf(where, sizeof where, "state %d, %s %d (lighting %d, cull %d): ", index,
                      modeName(modes[p]), p, lighting ? 1 : 0, cull ? 1 : 0);
        size_t mesaTriangles = 0;
        for (const Polygon& polygon : theirs) {
            if (polygon.size() != 3)
                return where + std::string("Mesa gave a polygon of ") +
                       std::to_string(polygon.size()) + " vertices";
            ++mesaTriangles;
        }
        if (mesaTriangles != ours.size()) {
            return where + std::to_string(mesaTriangles) + " triangles from Mesa, " +
                   std::to_string(ours.size()) + " recorded";
        }
        const bool quads = modes[p] == GL_QUADS || modes[p] == GL_QUAD_STRIP;
        if (quads && ours.size() % 2 != 0)
            return where + std::string("a quad lost one triangle of two");
        for (size_t t = 0; t < ours.size(); t += quads ? 2 : 1) {
            const std::string problem =
                quads ? compareQuad(&theirs[t], &ours[t]) : compareTriangle(theirs[t], ours[t]);
            if (!problem.empty())
                return std::string(where) + "triangle " + std::to_string(t) + ": " + problem;
        }
        compared += ours.size();
    }
    culled += made - (firstIndex.back() - firstIndex.front()) / 3;
    return "";
}

TEST_F(RecorderMatchesMesa, RandomStatesAndPrimitives)
{
    // Mesa gives eye z as the generated r coordinate: the eye plane z = 0, set under an
    // identity modelview, and a complete texture so that generation is on.
    GLuint texture = 0;
    const GLubyte white[4] = {255, 255, 255, 255};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat eyeZ[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGenfv(GL_R, GL_EYE_PLANE, eyeZ);
    glEnable(GL_TEXTURE_GEN_R);
    glHint(GL_FOG_HINT, GL_NICEST);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    int matched = 0;
    std::string firstProblem;
    for (int index = 0; index < kStates; ++index) {
        const std::string problem = runState(index);
        if (problem.empty()) ++matched;
        else if (firstProblem.empty()) firstProblem = problem;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(recorder.error, static_cast<GLenum>(GL_NO_ERROR));
    std::printf("gl11: %d of %d random states matched Mesa (%zu triangles compared, %zu culled by "
                "both); worst differences: position %.2e px, depth %.2e, colour %.2e (%.4f/255), "
                "texture coordinate %.2e, eye distance %.2e\n",
                matched, kStates, compared, culled, worst.position, worst.depth, worst.colour,
                worst.colour * 255.0, worst.texCoord, worst.eyeDistance);
    EXPECT_EQ(matched, kStates) << "first difference: " << firstProblem;
    // Both sides of the culling were seen often enough to mean something.
    EXPECT_GT(culled, compared / 10);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
        SDL_SetVideoMode(kWindowWidth, kWindowHeight, 0, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "quorvane: no GL window for the recorder test (is DISPLAY set?): %s\n",
                     SDL_GetError());
        return 1;
    }
    const int status = RUN_ALL_TESTS();
    SDL_Quit();
    return status;
}
