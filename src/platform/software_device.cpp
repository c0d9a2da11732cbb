#include <vgx/VgxDevice.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/errors.h"
#include "base/finite.h"
#include "base/large_blocks.h"
#include "base/task_pool.h"

namespace {

constexpr int32_t kSoftwareMaxVertexIndex = 0x00FFFFFF;
constexpr int32_t kSoftwareMaxPrimitiveCount = 0x00FFFFFF;

VgxMatrix Identity() {
    VgxMatrix m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1;
    return m;
}

// Memory, uninitialised, from the library's block store: a render rebuild frees
// its buffers and asks again for the lengths it had, and the store keeps large
// freed blocks for that instead of faulting in fresh pages.
struct Storage {
    explicit Storage(size_t size) : length(size) {
        try {
            bytes = static_cast<uint8_t*>(vgx::blocks::AllocateBlock(size));
        } catch (const std::bad_alloc&) {
            vgx::Raise(VgxErrOutOfMemory);
        }
    }
    ~Storage() { vgx::blocks::FreeBlock(bytes, length); }
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    size_t length;
    uint8_t* bytes = nullptr;
};

// Copies with stores that go past the caches. A plain store first reads its
// destination line in, a third of the memory traffic of a big copy, for bytes
// this thread will not read again.
void StreamBytes(uint8_t* to, const uint8_t* from, size_t size) {
#if defined(__SSE2__)
    const size_t head = std::min(size, (16 - reinterpret_cast<uintptr_t>(to) % 16) % 16);
    std::memcpy(to, from, head);
    size_t i = head;
    for (; i + 64 <= size; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 48), d);
    }
    std::memcpy(to + i, from + i, size - i);
    _mm_sfence();  // the streamed bytes are seen by whoever the piece's end is signalled to
#else
    std::memcpy(to, from, size);
#endif
}

// Copies in pieces over the library's threads: a render build writes tens of
// megabytes at once, more than one core moves at memory speed. Big copies into a
// buffer bypass the caches (`intoBuffer`); one out of it is read right after by the
// caller, so it is kept cached.
void CopyBytes(uint8_t* to, const void* from, size_t size, bool intoBuffer) {
    constexpr size_t kBytesPerPiece = size_t{1} << 20;
    constexpr size_t kStreamFrom = size_t{8} << 20;
    const auto* source = static_cast<const uint8_t*>(from);
    const bool stream = intoBuffer && size >= kStreamFrom;
    vgx::tasks::ParallelFor(size, kBytesPerPiece, [&](size_t begin, size_t end) {
        if (stream) {
            StreamBytes(to + begin, source + begin, end - begin);
        } else {
            std::memcpy(to + begin, source + begin, end - begin);
        }
    });
}

// Bytes in memory, undefined until written, as a hardware buffer's are; reads and
// writes are range-checked. A block may share the memory of another (a mesh made
// over the render buffers): the first write to either gives the writer its own
// copy, so every buffer still behaves as if it had its own memory.
class MemoryBlock {
public:
    explicit MemoryBlock(size_t length) : length_(length) {
        if (length == 0) vgx::Raise(VgxErrInvalidCall);
        storage_ = std::make_shared<Storage>(length);
    }
    // The first `length` bytes of `source`, shared.
    MemoryBlock(const MemoryBlock& source, size_t length) : length_(length), storage_(source.storage_) {
        if (length == 0 || length > source.length_) vgx::Raise(VgxErrInvalidCall);
    }
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    size_t Length() const { return length_; }
    void Write(size_t offset, const void* data, size_t size) {
        CheckRange(offset, size);
        if (storage_.use_count() > 1) {
            // A write over every byte needs none of the shared ones.
            auto own = std::make_shared<Storage>(length_);
            if (size < length_) CopyBytes(own->bytes, storage_->bytes, length_, true);
            storage_ = std::move(own);
        }
        CopyBytes(storage_->bytes + offset, data, size, true);
    }
    void Read(size_t offset, void* data, size_t size) const {
        CheckRange(offset, size);
        CopyBytes(static_cast<uint8_t*>(data), storage_->bytes + offset, size, false);
    }

private:
    void CheckRange(size_t offset, size_t size) const {
        if (offset > length_ || size > length_ - offset) vgx::Raise(VgxErrSubscript);
    }
    size_t length_;
    std::shared_ptr<Storage> storage_;
};

template <class Interface>
class MemoryBuffer final : public Interface {
public:
    MemoryBuffer(size_t length, int32_t usage, int32_t format) : block_(length), usage_(usage), format_(format) {}
    MemoryBuffer(const MemoryBlock& source, size_t length, int32_t usage, int32_t format)
        : block_(source, length), usage_(usage), format_(format) {}
    const MemoryBlock& Block() const { return block_; }
    size_t GetLength() const override { return block_.Length(); }
    void Write(size_t offset, const void* data, size_t size) override { block_.Write(offset, data, size); }
    void Read(size_t offset, void* data, size_t size) const override { block_.Read(offset, data, size); }
    int32_t GetFormat() const override { return format_; }
    int32_t GetUsage() const override { return usage_; }

private:
    MemoryBlock block_;
    int32_t usage_;
    int32_t format_;
};

class MemoryTexture final : public VgxDeviceTexture {
public:
    MemoryTexture(int32_t width, int32_t height, int32_t levels) {
        if (width <= 0 || height <= 0 || levels < 0) vgx::Raise(VgxErrInvalidCall);
        // Levels 0 asks for the full chain down to 1 x 1.
        for (int32_t w = width, h = height;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
            levels_.push_back(Level{w, h, std::vector<int32_t>(static_cast<size_t>(w) * h)});
            if ((levels != 0 && static_cast<int32_t>(levels_.size()) == levels) || (w == 1 && h == 1)) break;
        }
    }
    int32_t GetLevelCount() const override { return static_cast<int32_t>(levels_.size()); }
    int32_t GetLevelWidth(int32_t level) const override { return vgx::At(levels_, level).width; }
    int32_t GetLevelHeight(int32_t level) const override { return vgx::At(levels_, level).height; }
    void WriteLevel(int32_t level, const std::vector<int32_t>& pixels) override {
        Level& target = vgx::At(levels_, level);
        if (pixels.size() != target.pixels.size()) vgx::Raise(VgxErrInvalidCall);
        target.pixels = pixels;
    }
    std::vector<int32_t> ReadLevel(int32_t level) const override { return vgx::At(levels_, level).pixels; }

private:
    struct Level {
        int32_t width, height;
        std::vector<int32_t> pixels;
    };
    std::vector<Level> levels_;
};

class MemoryMesh final : public VgxDeviceMesh {
public:
    MemoryMesh(int32_t faces, int32_t vertices, int32_t options, int32_t format)
        : faces_(faces), vertices_(vertices), options_(options), format_(format) {
        Check();
        vertexBuffer_ = std::make_shared<MemoryBuffer<VgxVertexBuffer>>(VertexBytes(), 0, format);
        indexBuffer_ = std::make_shared<MemoryBuffer<VgxIndexBuffer>>(IndexBytes(), 0, IndexFormat());
    }
    // Over the first vertices of `vertexSource` and all of `indexSource`, which must
    // hold as many indices as the faces need.
    MemoryMesh(int32_t faces, int32_t vertices, int32_t options, int32_t format, const MemoryBlock& vertexSource,
               const MemoryBlock& indexSource)
        : faces_(faces), vertices_(vertices), options_(options), format_(format) {
        Check();
        if (indexSource.Length() != IndexBytes()) vgx::Raise(VgxErrInvalidCall);
        vertexBuffer_ = std::make_shared<MemoryBuffer<VgxVertexBuffer>>(vertexSource, VertexBytes(), 0, format);
        indexBuffer_ = std::make_shared<MemoryBuffer<VgxIndexBuffer>>(indexSource, IndexBytes(), 0, IndexFormat());
    }
    int32_t GetNumFaces() const override { return faces_; }
    int32_t GetNumVertices() const override { return vertices_; }
    int32_t GetOptions() const override { return options_; }
    int32_t GetFormat() const override { return format_; }
    const std::shared_ptr<VgxVertexBuffer>& GetVertexBuffer() const override { return vertexBuffer_; }
    const std::shared_ptr<VgxIndexBuffer>& GetIndexBuffer() const override { return indexBuffer_; }

private:
    void Check() const {
        if (faces_ <= 0 || vertices_ <= 0 || format_ != VgxVertexFormat44) vgx::Raise(VgxErrInvalidCall);
    }
    bool Wide() const { return (options_ & VgxMeshIndex32) != 0; }
    size_t VertexBytes() const { return size_t{44} * static_cast<size_t>(vertices_); }
    size_t IndexBytes() const { return static_cast<size_t>(faces_) * 3 * (Wide() ? 4 : 2); }
    int32_t IndexFormat() const { return Wide() ? VgxFormatIndex32 : VgxFormatIndex16; }

    int32_t faces_, vertices_, options_, format_;
    std::shared_ptr<VgxVertexBuffer> vertexBuffer_;
    std::shared_ptr<VgxIndexBuffer> indexBuffer_;
};

bool IsIndexFormat(int32_t format) { return format == VgxFormatIndex16 || format == VgxFormatIndex32; }

}  // namespace

VgxSoftwareDevice::VgxSoftwareDevice() : VgxSoftwareDevice(VgxPresentParameters{}) {}

VgxSoftwareDevice::VgxSoftwareDevice(const VgxPresentParameters& parameters, int64_t focusWindow, int32_t behaviourFlags)
    : parameters_(parameters),
      focusWindow_(focusWindow),
      behaviourFlags_(behaviourFlags),
      caps_{kSoftwareMaxVertexIndex, kSoftwareMaxPrimitiveCount},
      displayMode_(GetAdapterDisplayMode()),
      viewport_{0, 0, 640, 480, 0.0f, 1.0f},
      view_(Identity()),
      projection_(Identity()) {
    // Software vertex processing behaviour shows in render state 153.
    constexpr int32_t kSoftwareVertexProcessingFlag = 32;
    softwareVertexProcessing_ = (behaviourFlags & kSoftwareVertexProcessingFlag) ? 1 : 0;
}

VgxDisplayMode VgxSoftwareDevice::GetAdapterDisplayMode() { return {1024, 768, 60, VgxFormatX8R8G8B8}; }

int32_t VgxSoftwareDevice::GetRenderState(int32_t state) const {
    return state == VgxRenderStateSoftwareVertexProcessing ? softwareVertexProcessing_ : 0;
}

void VgxSoftwareDevice::SetRenderState(int32_t state, int32_t value) {
    if (state != VgxRenderStateSoftwareVertexProcessing) vgx::Raise(VgxErrInvalidCall);
    softwareVertexProcessing_ = value;
}

int32_t VgxSoftwareDevice::TestCooperativeLevel() const {
    if (!lost_) return VgxDeviceOK;
    return failingResets_ > 0 ? VgxDeviceLost : VgxDeviceNotReset;
}

int32_t VgxSoftwareDevice::Reset(const VgxPresentParameters& parameters) {
    ++resetCount_;
    if (failingResets_ > 0) {
        --failingResets_;
        return VgxDeviceLost;
    }
    parameters_ = parameters;
    lost_ = false;
    return VgxDeviceOK;
}

VgxMatrix VgxSoftwareDevice::GetTransform(int32_t state) const {
    if (state == VgxTransformView) return view_;
    if (state == VgxTransformProjection) return projection_;
    vgx::Raise(VgxErrInvalidCall);
}

void VgxSoftwareDevice::SetViewport(const VgxViewport& viewport) {
    vgx::RequireFinite(vgx::kRuntimeSource, viewport.MinZ, viewport.MaxZ);
    viewport_ = viewport;
}

void VgxSoftwareDevice::SetTransform(int32_t state, const VgxMatrix& matrix) {
    vgx::RequireFinite(vgx::kRuntimeSource, matrix);
    if (state == VgxTransformView) {
        view_ = matrix;
    } else if (state == VgxTransformProjection) {
        projection_ = matrix;
    } else {
        vgx::Raise(VgxErrInvalidCall);
    }
}

std::shared_ptr<VgxVertexBuffer> VgxSoftwareDevice::CreateVertexBuffer(size_t length, int32_t usage, int32_t format,
                                                                       int32_t /*pool*/) {
    return std::make_shared<MemoryBuffer<VgxVertexBuffer>>(length, usage, format);
}

std::shared_ptr<VgxIndexBuffer> VgxSoftwareDevice::CreateIndexBuffer(size_t length, int32_t usage, int32_t format,
                                                                     int32_t /*pool*/) {
    if (!IsIndexFormat(format)) vgx::Raise(VgxErrInvalidCall);
    return std::make_shared<MemoryBuffer<VgxIndexBuffer>>(length, usage, format);
}

std::shared_ptr<VgxDeviceTexture> VgxSoftwareDevice::CreateTexture(int32_t width, int32_t height, int32_t levels,
                                                                   int32_t /*usage*/, int32_t format, int32_t /*pool*/) {
    if (format != VgxFormatA8R8G8B8 && format != VgxFormatX8R8G8B8) vgx::Raise(VgxErrInvalidCall);
    return std::make_shared<MemoryTexture>(width, height, levels);
}

std::shared_ptr<VgxDeviceMesh> VgxSoftwareDevice::CreateMesh(int32_t faces, int32_t vertices, int32_t options,
                                                             int32_t format) {
    return std::make_shared<MemoryMesh>(faces, vertices, options, format);
}

std::shared_ptr<VgxDeviceMesh> VgxSoftwareDevice::CreateMeshOver(int32_t faces, int32_t vertices, int32_t options,
                                                                 int32_t format,
                                                                 const std::shared_ptr<VgxVertexBuffer>& vertexSource,
                                                                 const std::shared_ptr<VgxIndexBuffer>& indexSource) {
    // Only memory of this kind can be shared.
    const auto* vertices44 = dynamic_cast<const MemoryBuffer<VgxVertexBuffer>*>(vertexSource.get());
    const auto* indices = dynamic_cast<const MemoryBuffer<VgxIndexBuffer>*>(indexSource.get());
    if (!vertices44 || !indices) return nullptr;
    return std::make_shared<MemoryMesh>(faces, vertices, options, format, vertices44->Block(), indices->Block());
}
