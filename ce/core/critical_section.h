// CRITICAL_SECTION of the CE layer.
//
// As on CE: a lock that the owning thread may enter again (each Enter needs
// its Leave), initialised before use and deleted after. It is a plain host
// structure that its user embeds; it never lies in VM memory.
#pragma once

#include <pthread.h>

struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
