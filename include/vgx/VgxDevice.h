#pragma once
// The graphics device the library creates its render resources on. A host
// implements VgxDevice over its own graphics API; VgxSoftwareDevice keeps every
// resource in memory and serves tests, picking and the command-line host.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Result codes of TestCooperativeLevel and Reset.
enum VgxDeviceResult : int32_t {
    VgxDeviceOK = 0,
    VgxDeviceLost = static_cast<int32_t>(0x88760868u),
    VgxDeviceNotReset = static_cast<int32_t>(0x88760869u),
};

// Resource constants the library passes (their Direct3D 8 values).
enum VgxResourceConstant : int32_t {
    VgxUsageWriteOnly = 8,
    VgxUsageSoftwareProcessing = 16,
    VgxPoolManaged = 1,
    VgxFormatIndex16 = 101,
    VgxFormatIndex32 = 102,
    VgxFormatA8R8G8B8 = 21,
    VgxFormatX8R8G8B8 = 22,
    VgxFormatD16 = 80,
    VgxVertexFormat44 = 0x252,  // position, normal, diffuse, two UV sets
    VgxRenderStateSoftwareVertexProcessing = 153,
    VgxTransformView = 2,
    VgxTransformProjection = 3,
    VgxMeshIndex32 = 0x001,
    VgxMeshManaged = 0x220,
};

struct VgxDisplayMode {
    int32_t Width, Height, RefreshRate, Format;
};

struct VgxPresentParameters {
    int32_t BackBufferWidth = 0;
    int32_t BackBufferHeight = 0;
    int32_t BackBufferFormat = 0;
    int32_t BackBufferCount = 0;
    int32_t MultiSampleType = 0;
    int32_t SwapEffect = 0;
    int64_t DeviceWindow = 0;
    bool Windowed = false;
    bool EnableAutoDepthStencil = false;
    int32_t AutoDepthStencilFormat = 0;
    int32_t Flags = 0;
    int32_t FullScreenRefreshRateInHz = 0;
    int32_t FullScreenPresentationInterval = 0;
};

struct VgxDeviceCaps {
    int32_t MaxVertexIndex;
    int32_t MaxPrimitiveCount;
};

struct VgxViewport {
    int32_t X, Y, Width, Height;
    float MinZ, MaxZ;
};

// A row-major 4x4 matrix of row vectors (p' = p x M, translation in the last row).
struct VgxMatrix {
    float m[16];
};

// A block of device memory the library writes whole (vertex or index data).
class VgxDeviceBuffer {
public:
    virtual ~VgxDeviceBuffer() = default;
    virtual size_t GetLength() const = 0;
    // Copies Size bytes to byte Offset; raises 9 when the range is outside the buffer.
    virtual void Write(size_t Offset, const void* Data, size_t Size) = 0;
    // Copies Size bytes from byte Offset; raises 9 when the range is outside the buffer.
    virtual void Read(size_t Offset, void* Data, size_t Size) const = 0;
};

class VgxVertexBuffer : public VgxDeviceBuffer {
public:
    virtual int32_t GetFormat() const = 0;
    virtual int32_t GetUsage() const = 0;
};

class VgxIndexBuffer : public VgxDeviceBuffer {
public:
    virtual int32_t GetFormat() const = 0;  // VgxFormatIndex16 or VgxFormatIndex32
    virtual int32_t GetUsage() const = 0;
};

// A texture with a chain of mip levels of 0xAARRGGBB pixels.
class VgxDeviceTexture {
public:
    virtual ~VgxDeviceTexture() = default;
    virtual int32_t GetLevelCount() const = 0;
    virtual int32_t GetLevelWidth(int32_t Level) const = 0;
    virtual int32_t GetLevelHeight(int32_t Level) const = 0;
    // Replaces the pixels of one level: width x height values, rows from the top.
    virtual void WriteLevel(int32_t Level, const std::vector<int32_t>& Pixels) = 0;
    virtual std::vector<int32_t> ReadLevel(int32_t Level) const = 0;
};

// A mesh of the extension library: vertices of one format with 16- or 32-bit
// triangle indices, as the render buffers hand it to picking.
class VgxDeviceMesh {
public:
    virtual ~VgxDeviceMesh() = default;
    virtual int32_t GetNumFaces() const = 0;
    virtual int32_t GetNumVertices() const = 0;
    virtual int32_t GetOptions() const = 0;  // VgxMeshIndex32 set for 32-bit indices
    virtual int32_t GetFormat() const = 0;
    virtual const std::shared_ptr<VgxVertexBuffer>& GetVertexBuffer() const = 0;
    virtual const std::shared_ptr<VgxIndexBuffer>& GetIndexBuffer() const = 0;
};

class VgxDevice {
public:
    virtual ~VgxDevice() = default;
    virtual VgxDeviceCaps GetDeviceCaps() const = 0;
    virtual VgxDisplayMode GetDisplayMode() const = 0;
    virtual int32_t GetRenderState(int32_t State) const = 0;
    virtual int32_t TestCooperativeLevel() const = 0;
    virtual int32_t Reset(const VgxPresentParameters& Parameters) = 0;
    virtual VgxViewport GetViewport() const = 0;
    virtual VgxMatrix GetTransform(int32_t State) const = 0;
    // Creation raises VgxError 5 for a zero length or unknown format, 7 when out of memory.
    virtual std::shared_ptr<VgxVertexBuffer> CreateVertexBuffer(size_t Length, int32_t Usage, int32_t Format, int32_t Pool) = 0;
    virtual std::shared_ptr<VgxIndexBuffer> CreateIndexBuffer(size_t Length, int32_t Usage, int32_t Format, int32_t Pool) = 0;
    virtual std::shared_ptr<VgxDeviceTexture> CreateTexture(int32_t Width, int32_t Height, int32_t Levels, int32_t Usage, int32_t Format, int32_t Pool) = 0;
    // A mesh of Faces triangles over Vertices vertices (Options: VgxMeshManaged,
    // plus VgxMeshIndex32 for 32-bit indices).
    virtual std::shared_ptr<VgxDeviceMesh> CreateMesh(int32_t Faces, int32_t Vertices, int32_t Options, int32_t Format) = 0;
    // A mesh over buffers the device made: its vertices the first Vertices of
    // VertexSource, its indices all of IndexSource, without copying them. A device
    // that cannot share memory returns null (the default); the library then makes
    // the mesh with CreateMesh and writes its buffers.
    virtual std::shared_ptr<VgxDeviceMesh> CreateMeshOver(int32_t /*Faces*/, int32_t /*Vertices*/, int32_t /*Options*/,
                                                          int32_t /*Format*/,
                                                          const std::shared_ptr<VgxVertexBuffer>& /*VertexSource*/,
                                                          const std::shared_ptr<VgxIndexBuffer>& /*IndexSource*/) {
        return nullptr;
    }
};

// A device whose resources live in memory. It answers like a windowed hardware
// device: it can be told it was lost, and then reports so until it is reset. A
// new buffer's bytes are undefined until written, as a hardware buffer's are;
// buffers of 4 MB and more take their memory from the library's block store,
// which keeps large freed blocks a short while for reuse. A mesh made over other buffers
// shares their memory until either is written.
class VgxSoftwareDevice : public VgxDevice {
public:
    VgxSoftwareDevice();
    explicit VgxSoftwareDevice(const VgxPresentParameters& Parameters, int64_t FocusWindow = 0, int32_t BehaviourFlags = 0);
    // The display mode the software adapter reports before any device exists.
    static VgxDisplayMode GetAdapterDisplayMode();

    VgxDeviceCaps GetDeviceCaps() const override { return caps_; }
    VgxDisplayMode GetDisplayMode() const override { return displayMode_; }
    int32_t GetRenderState(int32_t State) const override;
    int32_t TestCooperativeLevel() const override;
    int32_t Reset(const VgxPresentParameters& Parameters) override;
    VgxViewport GetViewport() const override { return viewport_; }
    VgxMatrix GetTransform(int32_t State) const override;
    std::shared_ptr<VgxVertexBuffer> CreateVertexBuffer(size_t Length, int32_t Usage, int32_t Format, int32_t Pool) override;
    std::shared_ptr<VgxIndexBuffer> CreateIndexBuffer(size_t Length, int32_t Usage, int32_t Format, int32_t Pool) override;
    std::shared_ptr<VgxDeviceTexture> CreateTexture(int32_t Width, int32_t Height, int32_t Levels, int32_t Usage, int32_t Format, int32_t Pool) override;
    std::shared_ptr<VgxDeviceMesh> CreateMesh(int32_t Faces, int32_t Vertices, int32_t Options, int32_t Format) override;
    // Shares the sources' memory until either side is written. A device derived
    // from this one that changes CreateMesh changes this too: render builds use it.
    std::shared_ptr<VgxDeviceMesh> CreateMeshOver(int32_t Faces, int32_t Vertices, int32_t Options, int32_t Format,
                                                  const std::shared_ptr<VgxVertexBuffer>& VertexSource,
                                                  const std::shared_ptr<VgxIndexBuffer>& IndexSource) override;

    // State the host sets, as it would on a real device. A viewport depth or matrix
    // entry that is NaN or infinite raises 5 and changes nothing.
    void SetDeviceCaps(const VgxDeviceCaps& Caps) { caps_ = Caps; }
    void SetRenderState(int32_t State, int32_t Value);
    void SetViewport(const VgxViewport& Viewport);
    void SetTransform(int32_t State, const VgxMatrix& Matrix);
    // Simulates the loss of the device (another application took the display); the
    // next FailingResets resets fail, as while that application keeps it.
    void MarkLost(int32_t FailingResets = 0) {
        lost_ = true;
        failingResets_ = FailingResets;
    }

    const VgxPresentParameters& GetPresentParameters() const { return parameters_; }
    int64_t GetFocusWindow() const { return focusWindow_; }
    int32_t GetBehaviourFlags() const { return behaviourFlags_; }
    int32_t GetResetCount() const { return resetCount_; }

private:
    VgxPresentParameters parameters_;
    int64_t focusWindow_ = 0;
    int32_t behaviourFlags_ = 0;
    VgxDeviceCaps caps_;
    VgxDisplayMode displayMode_;
    VgxViewport viewport_;
    VgxMatrix view_;
    VgxMatrix projection_;
    int32_t softwareVertexProcessing_ = 0;
    bool lost_ = false;
    int32_t failingResets_ = 0;
    int32_t resetCount_ = 0;
};
