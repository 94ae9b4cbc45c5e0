// The program's private window messages.
#include "app/registered_messages.h"

namespace dt {

const RegisteredMessageInfo kRegisteredMessages[kRegisteredMessageCount] = {
    {"77483215-A63F-41f6-ACED-858440EF4C8B", 32869},
    {"462E033B-ADB3-4948-82D0-3CA2E3587CB6", 32870},
    {"57265DA6-4013-4c0c-8A22-90BB34F5C086", 32871},
    {"8DA7CCE8-53D6-40c2-88B6-70DD5CDBB935", 32872},
    {"A794F247-9345-4dd6-A281-A9D320320A08", 32873},
    {"96F3B66A-C40D-4da5-95B9-2EB036F160A8", 32874},
    {"02BD072F-107C-42bf-BCBD-F5F7689CBF4F", 32880},
    {"ABD07DFF-3353-4eab-B9FF-BB7B60FF7AFC", 32882},
    {"2CED12A0-E1A8-4df1-9D36-59687C4F9F45", 32885},
    {"1434D528-B158-44e3-839A-A5439AF729E3", 32886},
    {"05C4A226-EC4F-491b-B582-6720FFBCC746", 32887},
    {"3EE8E631-CC86-43dd-9A32-07BACD38CC7C", 32888},
    {"460FB440-AAB3-4f65-9CBF-85DE3168B3FF", 32889},
    {"6FCB96DB-4892-4bc9-9A2A-74CC993AF9C1", 32890},
    {"E133319C-F57A-47db-8D99-8006A16FD566", 32891},
    {"1706A5A0-BF74-4ad1-B7C4-54D53B6BAB45", 32892},
    {"C60706C4-FEE6-4889-AF58-975EC1A4A05F", 32893},
    {"47E25B53-B3FD-4851-8926-23FA71E3537A", 32894},
};

uint32_t g_messageIds[kRegisteredMessageCount] = {
    32869, 32870, 32871, 32872, 32873, 32874, 32880, 32882, 32885,
    32886, 32887, 32888, 32889, 32890, 32891, 32892, 32893, 32894,
};

void RegisterAllMessages(uint32_t (*registerName)(const char* name)) {
    for (int i = 0; i < kRegisteredMessageCount; ++i) {
        uint32_t id = registerName ? registerName(kRegisteredMessages[i].name) : 0;
        g_messageIds[i] = id ? id : kRegisteredMessages[i].fallback;
    }
}

}  // namespace dt
