#pragma once
// Two fake cameras for the tests: an in-process GStreamer device provider
// whose devices are live test-pattern sources. Include it in one source file
// of a test program and call fakecam::Install() before enumerating; device
// enumeration is then limited to this provider.
#include <gst/gst.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/DShow.h"

namespace fakecam {

inline constexpr const char* kProvider = "tablofakecamprovider";

struct Device {
  GstDevice parent;
  int pattern;
};
struct DeviceClass {
  GstDeviceClass parent_class;
};
struct Provider {
  GstDeviceProvider parent;
};
struct ProviderClass {
  GstDeviceProviderClass parent_class;
};

GType device_get_type();
GType provider_get_type();

inline GstElement* createElement(GstDevice* dev, const gchar* name) {
  GstElement* e = gst_element_factory_make("videotestsrc", name);
  g_object_set(e, "is-live", TRUE, "pattern", reinterpret_cast<Device*>(dev)->pattern, nullptr);
  return e;
}

inline void device_class_init(gpointer klass, gpointer) {
  GST_DEVICE_CLASS(klass)->create_element = createElement;
}

inline GstDevice* makeDevice(const char* name, const char* path, int pattern) {
  GstCaps* caps = gst_caps_from_string("video/x-raw");
  GstStructure* props = gst_structure_new("props", "device.path", G_TYPE_STRING, path, nullptr);
  auto* d = static_cast<Device*>(g_object_new(device_get_type(), "display-name", name, "caps", caps, "device-class",
                                              "Video/Source", "properties", props, nullptr));
  d->pattern = pattern;
  gst_caps_unref(caps);
  gst_structure_free(props);
  return GST_DEVICE(d);
}

inline GList* probe(GstDeviceProvider*) {
  GList* l = nullptr;
  l = g_list_append(l, gst_object_ref_sink(makeDevice("Fake Camera One", "/fake/cam0", 0)));
  l = g_list_append(l, gst_object_ref_sink(makeDevice("Fake Camera Two", "/fake/cam1", 18)));
  return l;
}

inline void provider_class_init(gpointer klass, gpointer) {
  auto* dp = GST_DEVICE_PROVIDER_CLASS(klass);
  dp->probe = probe;
  gst_device_provider_class_set_static_metadata(dp, "Fake cameras", "Source/Video", "Test cameras", "tablo");
}

inline GType device_get_type() {
  static GType t = g_type_register_static_simple(GST_TYPE_DEVICE, "TabloFakeCamDevice", sizeof(DeviceClass),
                                                 device_class_init, sizeof(Device), nullptr, GTypeFlags(0));
  return t;
}

inline GType provider_get_type() {
  static GType t = g_type_register_static_simple(GST_TYPE_DEVICE_PROVIDER, "TabloFakeCamProvider",
                                                 sizeof(ProviderClass), provider_class_init, sizeof(Provider), nullptr,
                                                 GTypeFlags(0));
  return t;
}

inline gboolean pluginInit(GstPlugin* plugin) {
  return gst_device_provider_register(plugin, kProvider, GST_RANK_PRIMARY, provider_get_type());
}

inline void Install() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "tablofakecam", "Fake cameras for tests",
                               pluginInit, "1.0", "LGPL", "tablo", "tablo", "https://localhost/");
  });
  SetMediaDeviceProviders({kProvider});
}

// Back to the machine's own providers: the fake one stays registered in the
// process, so later tests of the same run are kept from seeing its cameras.
inline void Uninstall() {
  std::vector<std::string> others;
  GList* factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
  for (GList* l = factories; l; l = l->next) {
    const std::string name = GST_OBJECT_NAME(l->data);
    if (name != kProvider) others.push_back(name);
  }
  gst_plugin_feature_list_free(factories);
  // An empty list would ask every provider, the fake one included.
  if (others.empty()) others.push_back("no-such-provider");
  SetMediaDeviceProviders(others);
}

}  // namespace fakecam
