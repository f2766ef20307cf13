// Asynchronous print notifications: how a filter, running for the spooler,
// hands a request to the interactive side (the print UI host) of the user who
// submitted the job. The filter asks the pipeline's print class factory for
// an IPrintAsyncNotify, opens a channel for its job and sends data objects on
// it; the host queues what arrives and acts on it after the job.
#pragma once

#include "platform/unknown.h"

// The data a notification carries, lent to the receiver between AcquireData
// and ReleaseData.
struct IPrintAsyncNotifyDataObject : IUnknown {
  static constexpr IID iid = MakeGuid("{77CF513E-5D49-4789-9F30-D0822B335C0D}");
  // The bytes, their size and the notification type (a GUID the object
  // keeps). Takes a reference, given back by ReleaseData.
  virtual HRESULT AcquireData(BYTE** data, ULONG* size, GUID** type) = 0;
  virtual HRESULT ReleaseData() = 0;

 protected:
  ~IPrintAsyncNotifyDataObject() = default;
};

// What the sender hears back on a bidirectional channel.
struct IPrintAsyncNotifyChannel;
struct IPrintAsyncNotifyCallback : IUnknown {
  static constexpr IID iid = MakeGuid("{7DEF34C1-9D92-4C99-B3B3-DB94A9D4191B}");
  virtual HRESULT OnEventNotify(IPrintAsyncNotifyChannel* channel, IPrintAsyncNotifyDataObject* data) = 0;
  virtual HRESULT ChannelClosed(IPrintAsyncNotifyChannel* channel, IPrintAsyncNotifyDataObject* data) = 0;

 protected:
  ~IPrintAsyncNotifyCallback() = default;
};

struct IPrintAsyncNotifyChannel : IUnknown {
  static constexpr IID iid = MakeGuid("{4A5031B1-1F3F-4DB0-A462-4530ED8B0451}");
  // Queues the data for the receiver (which acquires and releases it before
  // returning). E_INVALIDARG for data of another type than the channel's,
  // HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE) once the channel is closed.
  virtual HRESULT SendNotification(IPrintAsyncNotifyDataObject* data) = 0;
  virtual HRESULT CloseChannel(IPrintAsyncNotifyDataObject* data) = 0;

 protected:
  ~IPrintAsyncNotifyChannel() = default;
};

enum PrintAsyncNotifyUserFilter : DWORD { kPerUser = 0, kAllUsers = 1 };
enum PrintAsyncNotifyConversationStyle : DWORD { kBiDirectional = 0, kUniDirectional = 1 };

// Answered by the print class factory ("PrintClassFactory") for the job's printer.
struct IPrintAsyncNotify : IUnknown {
  static constexpr IID iid = MakeGuid("{532CBF7A-1F7A-4E0B-9E6A-3A1F5B0C8D21}");
  virtual HRESULT CreatePrintAsyncNotifyChannel(DWORD jobId, GUID* notificationType,
                                                PrintAsyncNotifyUserFilter userFilter,
                                                PrintAsyncNotifyConversationStyle style,
                                                IPrintAsyncNotifyCallback* callback,
                                                IPrintAsyncNotifyChannel** channel) = 0;

 protected:
  ~IPrintAsyncNotify() = default;
};

// The notification type of requests to the asynchronous print UI: the data
// is an XML request as UTF-16 text, NUL-terminated within the data's size.
inline constexpr GUID kAsyncPrintUiNotificationType = MakeGuid("{F6853F92-EB31-4E23-B6E7-FD69056153F0}");
// The namespace of such a request's root element, asyncPrintUIRequest.
inline constexpr char16_t kAsyncPrintUiRequestNamespace[] = u"http://schemas.kestrel.example/2026/async-print-ui";

inline constexpr const IID& IID_IPrintAsyncNotifyDataObject = IPrintAsyncNotifyDataObject::iid;
inline constexpr const IID& IID_IPrintAsyncNotifyCallback = IPrintAsyncNotifyCallback::iid;
inline constexpr const IID& IID_IPrintAsyncNotifyChannel = IPrintAsyncNotifyChannel::iid;
inline constexpr const IID& IID_IPrintAsyncNotify = IPrintAsyncNotify::iid;
