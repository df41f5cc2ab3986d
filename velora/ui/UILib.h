// The skin UI library: include this one header.
#pragma once

#include "UIAttr.h"
#include "UIBase.h"
#include "UIButton.h"
#include "UIContainer.h"
#include "UIControl.h"
#include "UIDefine.h"
#include "UIDlgBuilder.h"
#include "UILabel.h"
#include "UILayout.h"
#include "UILog.h"
#include "UIManager.h"
#include "UIMarkup.h"
#include "UIRender.h"
#include "UISkin.h"
#include "UIString.h"
#include "WindowImplBase.h"
