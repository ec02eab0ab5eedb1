#include "viewer/scene_loader.h"

#include <zlib.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/errors/SoReadError.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>

namespace vexalith::viewer {
namespace {

bool is_gzip(const std::string& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

// Coin's read error handler is process-wide: one parse at a time.
std::mutex& parse_mutex()
{
    static std::mutex mutex;
    return mutex;
}

void collect_read_error(const SoError* error, void* data)
{
    auto* messages = static_cast<std::string*>(data);
    if (!messages->empty())
        *messages += '\n';
    *messages += error->getDebugString().getString();
}

class ReadErrorCapture {
public:
    explicit ReadErrorCapture(std::string& messages)
        : previous_(SoReadError::getHandlerCallback()), previous_data_(SoReadError::getHandlerData())
    {
        SoReadError::setHandlerCallback(collect_read_error, &messages);
    }
    ~ReadErrorCapture() { SoReadError::setHandlerCallback(previous_, previous_data_); }
    ReadErrorCapture(const ReadErrorCapture&) = delete;
    ReadErrorCapture& operator=(const ReadErrorCapture&) = delete;

private:
    SoErrorCB* previous_;
    void* previous_data_;
};

}  // namespace

std::mutex& scene_building_mutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string inflate_bytes(const std::string& compressed)
{
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        throw std::runtime_error("cannot start unpacking");
    std::string out;
    char buffer[1 << 16];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        const int status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_STREAM_END) {
            // Another gzip member may follow (files joined with cat).
            const std::size_t used = compressed.size() - stream.avail_in;
            if (stream.avail_in > 0 && is_gzip(compressed.substr(used, 2))) {
                inflateReset(&stream);
                continue;
            }
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            const std::string reason = stream.msg ? stream.msg : "damaged data";
            inflateEnd(&stream);
            throw std::runtime_error("the compressed file is damaged: " + reason);
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            inflateEnd(&stream);
            throw std::runtime_error("the compressed file is cut short");
        }
    }
    inflateEnd(&stream);
    return out;
}

std::string read_scene_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    if (is_gzip(bytes))
        return inflate_bytes(bytes);
    return bytes;
}

ParsedScene parse_scene(const std::string& bytes)
{
    ParsedScene parsed;
    std::lock_guard lock(parse_mutex());
    ReadErrorCapture capture(parsed.error);
    SoInput input;
    input.setBuffer(bytes.data(), bytes.size());
    SoSeparator* root = SoDB::readAll(&input);
    CoinRef<SoSeparator> held(root);
    if (root == nullptr && parsed.error.empty())
        parsed.error = "not a VRML file";
    if (parsed.error.empty())
        parsed.root = held;
    return parsed;
}

}  // namespace vexalith::viewer
