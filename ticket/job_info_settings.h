// Job-wide information and settings of the driver that the standard print
// schema lacks, in three private properties of the ticket: JobInfoData (who
// prints, from where, in which code page), JobSettingData (tray separation,
// the divide condition, banding limits) and JobSecretFunctionData (two
// service switches).
#pragma once

#include "platform/bstr.h"
#include "ticket/common_options.h"
#include "ticket/print_ticket_dom.h"

struct JobInfoSettings {
  // JobInfoData
  Bstr userName{u""};
  Bstr computerName{u""};
  LONG codePage = 1252;
  // JobSettingData
  OffOn separateTrayMode = OffOn::Off;
  Bstr divideCondition{u""};  // kept verbatim
  WORD bandingPortraitFlag = 0;
  WORD bandingPortraitSize = 0;
  WORD bandingLandscapeFlag = 0;
  WORD bandingLandscapeSize = 0;
  // JobSecretFunctionData
  OffOn halftoneReduction = OffOn::Off;
  OffOn draftMode = OffOn::Off;
};

// Reads the three groups in turn; an absent group or item keeps its field. A
// failure inside a group ends that group only. The result is that of
// JobSecretFunctionData: S_OK when it was read or is absent, else its failure.
HRESULT ReadJobInfo(const PrintTicketDom& ticket, JobInfoSettings& settings);

// Replaces the three groups; S_FALSE without a root element.
HRESULT WriteJobInfo(PrintTicketDom& ticket, const JobInfoSettings& settings);

// Removes the three groups (every property of each name); S_OK when
// JobSecretFunctionData was there, S_FALSE when it was not, or a failure.
HRESULT RemoveJobInfo(PrintTicketDom& ticket);
