// placeholder: filled by the family that owns it
#pragma once
