// The effect every quad of the music disk is drawn with: the texel of texture_0
// times the vertex colour, blended by its alpha over what is already drawn.
// The language is described in docs/effect-language.md.

texture texture_0;

technique GUI {
    pass P0 {
        // Later quads cover earlier ones: drawing order decides, not depth.
        blend = src_alpha, inv_src_alpha;
        depth_test = off;
        depth_write = off;
        // Quads come clockwise on screen; counter-clockwise triangles are dropped.
        cull = ccw;

        sampler texture_0 {
            // Bilinear from the nearest mip level: on a software renderer a
            // tenth cheaper than trilinear, and the pictures look the same (no
            // screen is drawn between two levels for long). Clamped so pictures
            // cut at the atlas's right and bottom edges never pick up texels
            // from the opposite side.
            filter = linear, linear, point;
            address = clamp;
        }

        vertex_shader {{{
            #version 330 core
            layout(location = 0) in vec3 position;
            layout(location = 1) in vec2 texcoord;
            layout(location = 2) in vec4 color;
            out vec2 uv;
            out vec4 tint;
            void main()
            {
                uv = texcoord;
                tint = color;
                // Depths are 0..1 as Direct3D has them; GL clips z outside -1..1.
                gl_Position = vec4(position.xy, position.z * 2.0 - 1.0, 1.0);
            }
        }}}

        pixel_shader {{{
            #version 330 core
            uniform sampler2D texture_0;
            in vec2 uv;
            in vec4 tint;
            out vec4 pixel;
            void main()
            {
                pixel = texture(texture_0, uv) * tint;
            }
        }}}
    }
}
