# version 120
technique Default {
    pass P0 {
        VertexShader = 2d-sprite-masked.vsh ;
        PixelShader = 2d-sprite-masked.fsh ;
        EnableCulling = FALSE ;
        EnableDepthTest = FALSE ;
        EnableDepthMask = FALSE ;
        EnableBlending = TRUE ;
        BlendFuncSrc = SRC_ALPHA ;
        BlendFuncDst = ONE_MINUS_SRC_ALPHA ;
    }
}
