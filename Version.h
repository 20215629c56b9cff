// The plug-in's identity and version, shared by the code and the version resource.
#pragma once

#define VORNEK_VERSION_MAJOR 1
#define VORNEK_VERSION_MINOR 0
#define VORNEK_VERSION_PATCH 2
#define VORNEK_VERSION_BUILD 0
#define VORNEK_VERSION_DOTTED "1.0.2.0"
#define VORNEK_PRODUCT_NAME "HTML-VORNEK"
#define VORNEK_PRODUCT_VERSION "ver1.02"
#define VORNEK_VENDOR "Tomvarek"
