#include "effects/Camera.h"

#include <GL/gl.h>

void Camera::apply() const
{
    glRotatef(pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(-x, -y, -z);
}
