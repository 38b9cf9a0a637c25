// Owning handles for GStreamer and GLib objects, so every reference taken is dropped exactly once.
#pragma once

#include <utility>

#include <gst/gst.h>

namespace capture_detail {

template <typename T, void (*Unref)(T*)> class GstHandle {
public:
    GstHandle() = default;
    /// Takes over a reference the caller already owns (a "transfer full" return value).
    explicit GstHandle(T* p)
        : m_p(p)
    {
    }
    ~GstHandle() { reset(); }
    GstHandle(const GstHandle&) = delete;
    GstHandle& operator=(const GstHandle&) = delete;
    GstHandle(GstHandle&& o) noexcept
        : m_p(std::exchange(o.m_p, nullptr))
    {
    }
    GstHandle& operator=(GstHandle&& o) noexcept
    {
        if (this != &o)
            reset(std::exchange(o.m_p, nullptr));
        return *this;
    }

    void reset(T* p = nullptr)
    {
        if (m_p)
            Unref(m_p);
        m_p = p;
    }
    T* release() { return std::exchange(m_p, nullptr); }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

inline void unrefObject(GstObject* o)
{
    gst_object_unref(o);
}
inline void unrefElement(GstElement* e)
{
    gst_object_unref(e);
}
inline void unrefBus(GstBus* b)
{
    gst_object_unref(b);
}
inline void unrefPad(GstPad* p)
{
    gst_object_unref(p);
}
inline void unrefDevice(GstDevice* d)
{
    gst_object_unref(d);
}
inline void unrefMonitor(GstDeviceMonitor* m)
{
    gst_object_unref(m);
}
inline void unrefCaps(GstCaps* c)
{
    gst_caps_unref(c);
}
inline void unrefSample(GstSample* s)
{
    gst_sample_unref(s);
}
inline void unrefMessage(GstMessage* m)
{
    gst_message_unref(m);
}
inline void freeError(GError* e)
{
    g_error_free(e);
}
inline void freeString(gchar* s)
{
    g_free(s);
}

using ElementPtr = GstHandle<GstElement, unrefElement>;
using BusPtr = GstHandle<GstBus, unrefBus>;
using PadPtr = GstHandle<GstPad, unrefPad>;
using DevicePtr = GstHandle<GstDevice, unrefDevice>;
using MonitorPtr = GstHandle<GstDeviceMonitor, unrefMonitor>;
using CapsPtr = GstHandle<GstCaps, unrefCaps>;
using SamplePtr = GstHandle<GstSample, unrefSample>;
using MessagePtr = GstHandle<GstMessage, unrefMessage>;
using ErrorPtr = GstHandle<GError, freeError>;
using StringPtr = GstHandle<gchar, freeString>;

/// A new reference to a floating or owned element, for handles that share an element with a bin.
inline ElementPtr refElement(GstElement* e)
{
    return ElementPtr(e ? static_cast<GstElement*>(gst_object_ref(e)) : nullptr);
}

} // namespace capture_detail
